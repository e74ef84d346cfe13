// coilclash: the player's snake against the computer's in a walled arena, matches to five wins.
#include <csignal>

#include "options.h"
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace coilclash {

namespace {

duel game;

void draw_frame_screen() {
    draw_banner();
    draw_arena(game);
    wrefresh(stdscr);
}

step_end play_game() {
    int prev_key = 0;
    curs_set(0);
    paced_input();
    new_game(game);
    werase(stdscr);
    for (;;) {
        draw_frame_screen();
        const int key = read_key(stdscr, [] {
            werase(stdscr);
            draw_frame_screen();
        });
        const key_meaning meaning = meaning_of(key);
        switch (meaning.action) {
            case key_action::gameplay_help: show_gameplay_help(); break;
            case key_action::controls_help: show_controls_help(); break;
            case key_action::turn: steer(&game.player, meaning.dir, game.board); break;
            case key_action::pause: show_pause(); break;
            case key_action::quit: quit_program();
            case key_action::none: break;
        }
        throttle_repeat(key, prev_key);
        for (int i = 0; i < 2; ++i) {
            const step_end end = play_step(game);
            if (end != step_end::going) return end;
        }
        wrefresh(stdscr);
        prev_key = key;
    }
}

// One game of the match, its winner counted.
void play() {
    settle_match(game);
    record_win(game, play_game());
}

bool finish_game() { return !declines_another_game(ask_play_again(game)); }

}  // namespace

}  // namespace coilclash

int main(int argc, char** argv) {
    using namespace coilclash;
    signal(SIGINT, quit_on_signal);
    const command_line line = parse_options(argc, argv);
    if (line.usage) {
        print_usage(argv[0]);
        return 1;
    }
    const bool colours = start_curses();
    if (line.any_option) game.board.allocate(line.len, line.wid);
    else game.board.allocate(len_for_terminal(LINES), wid_for_terminal(COLS));
    before_fatal_error = [] { endwin(); };
    if (colours) init_snake_colors(game);
    game.wins_needed = 5;
    do play();
    while (finish_game());
    endwin();
    return 0;
}
