// arrowpip: letters fly over a ring target; ten typed letters stop and score by their distance from the centre.
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace arrowpip {

namespace {

game current;

void draw_tick(const game& g) {
    draw_play_screen(g);
    wrefresh(stdscr);
}

void play(game& g) {
    werase(stdscr);
    paced_input();
    curs_set(0);
    start_game(g);
    for (;;) {
        draw_tick(g);
        age_message(g);
        int key = read_key(stdscr, [&] { draw_tick(g); });
        const key_action action = meaning_of(key);
        if (action == key_action::help) show_gameplay_help();
        if (action == key_action::play && take_key(g, key)) return;
        // Keys typed during the sleep are dropped: one shot per tick, however fast the typing.
        throttle_key(key);
        if (end_tick(g)) return;
    }
}

}  // namespace

}  // namespace arrowpip

int main(int argc, char**) {
    using namespace arrowpip;
    refuse_arguments(argc);
    if (start_curses()) init_palette();
    build_target();
    do play(current);
    while (finish_game(current));
    endwin();
    return 0;
}
