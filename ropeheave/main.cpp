// ropeheave: a typing race against a computer that pulls the other end of the rope.
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace ropeheave {

namespace {

void draw_tick(const race& r) {
    werase(stdscr);
    draw_field(r);
    wrefresh(stdscr);
}

void play(race& r) {
    start_game(r);
    paced_input();
    curs_set(0);
    for (;;) {
        draw_tick(r);
        int key = read_key(stdscr, [&] { draw_tick(r); });
        const key_action action = meaning_of(key);
        if (action == key_action::type) type_key(r, key);
        if (action == key_action::quit) return;
        // Discard first, then sleep: holding a key down gains one column a tick at most.
        throttle_key(key, throttle_order::discard_then_sleep);
        tick_end end = end_tick(r);
        if (end == tick_end::lost) return;
        if (end == tick_end::level_won) {
            paced_input();
            curs_set(0);
        }
        if (action == key_action::help) show_gameplay_help();
    }
}

}  // namespace

}  // namespace ropeheave

int main(int argc, char**) {
    using namespace ropeheave;
    refuse_arguments(argc);
    if (start_curses()) init_palette();
    race r;
    fill_queue(r);
    do play(r);
    while (finish_game(r));
    endwin();
    return 0;
}
