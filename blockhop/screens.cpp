// Drawing and waiting screens of blockhop.
#include "screens.h"

#include <unistd.h>

#include <chrono>

#include "draw.h"
#include "game_end.h"
#include "score_screen.h"
#include "score_store.h"
#include "terminal.h"

attr_t player_colour = 0;

namespace {

// Only pair 1 is drawn with; without colours the help frame still stands out.
attr_t help_frame_attr = A_STANDOUT;

}  // namespace

// A block with the hop's arc leaving it: at most 15 columns.
const char* const banner_lines[3] = {
    " _____   .--.",
    "|block| /    \\",
    "|_____|/    hop",
};

void init_palette() {
    start_color();
    use_default_colors();
    init_pair(1, COLOR_RED, -1);
    init_pair(2, COLOR_YELLOW, -1);
    init_pair(3, COLOR_GREEN, -1);
    init_pair(4, COLOR_MAGENTA, -1);
    init_pair(5, COLOR_BLUE, -1);
    player_colour = COLOR_PAIR(1);
    help_frame_attr = A_STANDOUT | COLOR_PAIR(1);
}

void draw_square(int top, int left) { draw_box(top, left, top + square_last_row, left + square_last_col); }

void draw_banner(const world& w) {
    mvwprintw(stdscr, 0, 0, "%s", banner_lines[0]);
    mvwprintw(stdscr, 1, 0, "%-17sScore: %ld", banner_lines[1], static_cast<long>(w.score));
    mvwprintw(stdscr, 2, 0, "%-17sCombo: %d", banner_lines[2], w.combo);
    wprintw(stdscr, "\n");
}

void draw_player(const world& w) {
    put(w.square_top[0] + w.player_row, w.square_left[0] + w.player_col, 'O' | player_colour);
}

void draw_play(const world& w) {
    werase(stdscr);
    for (int i = 0; i < 3; ++i) draw_square(w.square_top[i], w.square_left[i]);
    draw_banner(w);
    draw_player(w);
}

void draw_hop(const world& w, const flight& f) {
    werase(stdscr);
    const int shift = scroll_columns(f);
    for (int i = 0; i < 3; ++i) draw_square(w.square_top[i], w.square_left[i] + shift);
    draw_banner(w);
    put(marker_screen_row(f), marker_screen_col(f), 'O' | player_colour);
}

int hop(world& w) {
    flight f = start_hop(w);
    for (;;) {
        draw_hop(w, f);
        hop_state state = hop_frame(w, f);
        // The last frame is never shown: the next screen (play or game over) replaces it.
        if (state == hop_state::landed) return 1;
        if (state == hop_state::missed) return 0;
        wrefresh(stdscr);
        // About 60 frames a second, twice that once the view follows the marker.
        usleep(f.follow ? 8333 : 16666);
    }
}

void show_gameplay_help() {
    // The page keeps the frames' no-delay reads: its wait is the clock's, not a key's.
    instant_input();
    auto page = [] {
        werase(stdscr);
        erase_rect(0, 0, 24, 80);
        draw_frame(help_frame_attr);
        mvwprintw(stdscr, 1, 36, "GAME PLAY");
        mvwprintw(stdscr, 3, 1, "Jump from square to square using enter key.");
        wrefresh(stdscr);
    };
    page();
    flushinp();
    wgetch(stdscr);
    // Five seconds on the clock: a resize interrupts the sleep, and the page is
    // drawn again for the new size instead of the help being cut short. Keys
    // read here would be discarded after the help anyway.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
        usleep(static_cast<useconds_t>(std::chrono::duration_cast<std::chrono::microseconds>(until - now).count()));
        bool resized = false;
        for (int key = wgetch(stdscr); key != ERR; key = wgetch(stdscr)) resized = resized || key == KEY_RESIZE;
        if (resized) page();
    }
    // The window is still in no-delay mode; half-delay here would halve the
    // walking pace for the rest of the game, so the frames keep their own pace.
}

namespace {

void high_score_prompt() {
    // The prompt belongs just below the play area; a terminal without that row gets it on its last row.
    const int row = LINES > 24 ? 24 : LINES - 1;
    mvwprintw(stdscr, row, 0, "Press a key to see the high scores:");
    wrefresh(stdscr);
}

}  // namespace

bool finish_game(const world& w) {
    blocking_input();
    curs_set(1);
    high_score_prompt();
    wait_after_play(stdscr, nullptr, [&] {
        draw_play(w);
        high_score_prompt();
    });

    game_end end;
    end.file_name = "blockhop_scores";
    end.table_size = 10;
    end.screen.kind = score_screen::printed;
    end.screen.shown = 10;
    end.screen.failure_text = "Could not open score file";
    end.screen.score = w.score;
    end.screen.origin_row = 4;
    end.screen.draw_header = [&] { draw_banner(w); };
    end.question = "Wanna play again? (y/n)";
    end.rows_below_table = 2;
    return end_game(end);
}
