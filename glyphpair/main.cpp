// glyphpair: find the 64 pairs of glyphs hidden on an 8 by 16 grid, by keys or mouse.
#include <ctime>

#include "input.h"
#include "screens.h"
#include "terminal.h"

namespace glyphpair {

namespace {

// One game from the deal until every pair is won; the seconds it took, help
// pages included. 'q' or ESC leave the program from here.
long play_game(board& b) {
    const time_t start = time(nullptr);
    curs_set(0);
    new_game(b, glyph_colors);
    click_tracker clicks;
    for (;;) {
        draw_game(b);
        if (all_matched(b)) break;
        const order o = order_of_key(wait_key(stdscr, {}, [&] { draw_game(b); }), clicks);
        switch (o.what) {
        // The pages and the end question take a click as one key.
        case command::controls_help: {
            const one_key_per_click pages;
            show_controls_help();
            break;
        }
        case command::gameplay_help: {
            const one_key_per_click pages;
            show_gameplay_help();
            break;
        }
        case command::quit:
            quit_program();
        default:
            play_order(b, o);
        }
    }
    return static_cast<long>(time(nullptr) - start);
}

// The question under the solved board, and the wait for its answer.
bool finish_game(const board& b, long elapsed) {
    auto draw_end = [&] {
        draw_game(b);
        draw_end_screen(elapsed);
        wrefresh(stdscr);
    };
    draw_end_screen(elapsed);
    wrefresh(stdscr);
    curs_set(1);
    const one_key_per_click question;
    return !declines_another_game(wait_after_play(stdscr, nullptr, draw_end));
}

}  // namespace

}  // namespace glyphpair

int main(int argc, char**) {
    using namespace glyphpair;
    refuse_arguments(argc);
    const bool colours = start_curses();
    start_mouse();
    init_glyph_colors(colours);
    board b;
    long elapsed = 0;
    do elapsed = play_game(b);
    while (finish_game(b, elapsed));
    endwin();
    return 0;
}
