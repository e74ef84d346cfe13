// voltrider: steer a vehicle round a wrapping arena without crossing its own trail.
#include "input.h"
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace voltrider {

namespace {

// One game, until the vehicle crashes; the quit key leaves the program from here.
void play(game& g) {
    new_game(g);
    int key = 0;
    int last_key = 0;
    curs_set(0);
    paced_input();
    const tick_screens screens{
        .explosion = [&] { show_explosion(g); },
        .stop =
            [&] {
                last_key = key;
                key = wait_at_stop(g);
                return meaning_of(key);
            },
        .screen_key =
            [](key_action a) {
                if (a == key_action::controls_help) show_controls_help();
                if (a == key_action::gameplay_help) show_gameplay_help();
                if (a == key_action::stop_flashing) stop_flashing();
            },
        .pace = [&] { throttle_repeat(key, last_key); },
    };
    for (;;) {
        draw_tick(g);
        key = read_key(stdscr);
        if (key != ERR) pse_hint_ticks = 0;
        switch (play_tick(g, meaning_of(key), screens)) {
        case tick_end::crashed:
            show_game_over(g);
            return;
        case tick_end::quit:
            quit_program();
        case tick_end::going:
            break;
        }
        last_key = key;
    }
}

}  // namespace

}  // namespace voltrider

int main(int argc, char**) {
    using namespace voltrider;
    refuse_arguments(argc);
    bool colours = start_curses();
    game g;
    size_arena(g, LINES, COLS);
    if (colours) init_flash_colours();
    do play(g);
    while (finish_game(g));
    endwin();
    return 0;
}
