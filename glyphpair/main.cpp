// glyphpair: find the 64 pairs of glyphs hidden on an 8 by 16 grid, by keys or mouse.
#include "screens.h"
#include "terminal.h"

int main(int argc, char**) {
    refuse_arguments(argc);
    const bool colours = start_curses();
    mousemask(ALL_MOUSE_EVENTS, nullptr);
    init_glyph_colors(colours);
    board b;
    for (;;) {
        const game_end end = play_game(b);
        if (end == game_end::quit) quit_program();
        if (end != game_end::another) break;
    }
    endwin();
    return 0;
}
