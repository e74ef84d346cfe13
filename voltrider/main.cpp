// voltrider: steer a vehicle round a wrapping arena without crossing its own trail.
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace {

constexpr int key_escape = 27;

enum class game_end { crashed, quit };

game_end play(game& g) {
    new_game(g);
    int last_key = 0;
    curs_set(0);
    paced_input();
    for (;;) {
        draw_tick(g);
        int key = read_key(stdscr);
        if (key != ERR) pse_hint_ticks = 0;

        pickup taken = take_pickup(g);
        if (taken == pickup::bomb) show_explosion(g);
        if (taken == pickup::stop) {
            last_key = key;
            key = wait_at_stop(g);
        }
        if (check_trail(g)) return game_end::crashed;

        if (key == KEY_F(1) || key == '?') show_controls_help();
        if (key == KEY_F(2) || key == '!') show_gameplay_help();
        steer(g, steer_direction(key));
        if (key == 'q' || key == key_escape) return game_end::quit;
        if (key == 'e') stop_flashing();
        throttle_repeat(key, last_key);

        step_vehicle(g);
        count_tick(g);
        wear_power_ups(g);
        last_key = key;
    }
}

}  // namespace

int main(int argc, char**) {
    refuse_arguments(argc);
    bool colours = start_curses();
    game g;
    size_arena(g, LINES, COLS);
    if (colours) init_flash_colours();
    for (;;) {
        if (play(g) == game_end::quit) quit_program();
        show_game_over(g);
        if (!finish_game(g)) break;
    }
    endwin();
    return 0;
}
