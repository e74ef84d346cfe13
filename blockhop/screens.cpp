// Drawing and waiting screens of blockhop.
#include "screens.h"

#include <unistd.h>

#include <chrono>

#include "draw.h"
#include "help_page.h"
#include "game_end.h"
#include "score_screen.h"
#include "score_store.h"
#include "terminal.h"

namespace blockhop {

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
    put(0, 0, banner_lines[0]);
    put_format(1, 0, COLS, "%-17sScore: %ld", banner_lines[1], static_cast<long>(w.score));
    put_format(2, 0, COLS, "%-17sCombo: %d", banner_lines[2], w.combo);
    // The rest of the row goes, and the cursor waits at the start of the next, as after a newline.
    wclrtoeol(stdscr);
    wmove(stdscr, 3, 0);
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

void show_gameplay_help() {
    static const char* const lines[] = {"Jump from square to square using enter key."};
    const framed_page page{.frame_attr = help_frame_attr, .screen_attr = A_NORMAL, .lines = lines};
    const redraw_fn redraw = [&] { draw_help_page(page); };
    // The page keeps the frames' no-delay reads: its wait is the clock's, not a key's.
    instant_input();
    draw_help_page(page);
    flushinp();
    // The page stays its five seconds whether or not a key is pressed; keys
    // read during the hold would be discarded after the help anyway.
    hold_page(std::chrono::seconds(5), redraw);
    // The window is still in no-delay mode; half-delay here would halve the
    // walking pace for the rest of the game, so the frames keep their own pace.
}

namespace {

void high_score_prompt() {
    // The prompt belongs just below the play area; a terminal without that row gets it on its last row.
    const int row = LINES > 24 ? 24 : LINES - 1;
    put(row, 0, "Press a key to see the high scores:");
    wrefresh(stdscr);
}

}  // namespace

bool finish_game(const world& w, const std::function<void()>& redraw_scene) {
    blocking_input();
    curs_set(1);
    high_score_prompt();
    wait_after_play(stdscr, nullptr, [&] {
        redraw_scene();
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

}  // namespace blockhop
