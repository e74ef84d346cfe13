// Drawing of the duel: banner, arena, counters, help and pause screens and the question.
#include "screens.h"

#include <algorithm>
#include <cstring>

#include "draw.h"
#include "help_page.h"
#include "terminal.h"

namespace coilclash {

namespace {

void redraw_play(const duel& g) {
    werase(stdscr);
    draw_banner();
    draw_arena(g);
    wrefresh(stdscr);
}

}  // namespace

void init_snake_colors(duel& g) {
    start_color();
    use_default_colors();
    const short foregrounds[6] = {COLOR_RED, COLOR_YELLOW, COLOR_GREEN, COLOR_CYAN, COLOR_MAGENTA, COLOR_BLUE};
    for (short pair = 1; pair <= 6; ++pair) init_pair(pair, foregrounds[pair - 1], -1);
    for (int i = 0; i < 6; ++i) g.snake_colors[i] = static_cast<int>(COLOR_PAIR(i + 1));
    // Yellow is dim on many terminals.
    g.snake_colors[1] |= static_cast<int>(A_BOLD);
}

const char* const banner_rows[3] = {
    " _ _ .|",
    "(_(_)||",
    "  `~clash~~:>",
};

void draw_banner() {
    for (int row = 0; row < 3; ++row) put(row, 0, banner_rows[row]);
}

void draw_border(const arena& board) {
    const int bottom = board.len + 4;
    const int right = board.wid + 1;
    draw_box(3, 0, bottom, right);
}

void draw_arena(const duel& g) {
    const arena& board = g.board;
    draw_border(board);
    put_format(1, 16, COLS, "Computer's wins: %d", g.computer.wins);
    put_format(2, 16, COLS, "Your wins: %d", g.player.wins);
    const chtype computer_cell = ' ' | A_STANDOUT | static_cast<chtype>(g.computer.color);
    const chtype player_cell = ' ' | A_STANDOUT | static_cast<chtype>(g.player.color);
    for (int r = 0; r < board.len; ++r) {
        for (int c = 0; c < board.wid; ++c) {
            const int owner = board.at({r, c}) / 4;
            if (owner == 1) put(r + 4, c + 1, computer_cell);
            else if (owner == 2) put(r + 4, c + 1, player_cell);
        }
    }
}

namespace {

const help_line gameplay_lines[] = {
    {"Don't hit the walls, the other snake and yourself. Kill the other snake."},
};
const banner_page gameplay_page{draw_banner, "  **** THE GAMEPLAY ****", gameplay_lines};

const help_line controls_lines[] = {
    {"hjkl/ARROW KEYS : Change direction"},
    {"q : Quit"},
    {"F1 & F2: Help on controls & gameplay"},
    {""},
    {"Press a key to continue"},
};
const banner_page controls_page{draw_banner, "  **** THE CONTROLS ****", controls_lines};

}  // namespace

void show_gameplay_help() {
    blocking_input();
    show_help_page(gameplay_page);
    paced_input();
}

void show_controls_help() {
    blocking_input();
    show_help_page(controls_page);
    paced_input();
    show_gameplay_help();
}

void draw_pause() {
    werase(stdscr);
    draw_banner();
    put(1, 13, "PAUSED", A_BOLD);
}

void show_pause() {
    blocking_input();
    draw_pause();
    wait_key(stdscr);
    // The next frame draws only the banner, counters and snake cells: without this, "PAU" would
    // stay beside the counters for the rest of the game.
    werase(stdscr);
    paced_input();
}

int ask_play_again(const duel& g) {
    blocking_input();
    draw_arena(g);
    wrefresh(stdscr);
    // Under the arena, or on the last row of a terminal too short for that.
    const auto ask = [&] {
        static const char question[] = "Game over! Wanna play again?(y/n)";
        const int row = std::min(g.board.len + 5, LINES - 1);
        put(row, 0, question);
        // Moved onto an arena row, the rest of that row would read as part of the question.
        if (row < g.board.len + 5) wclrtoeol(stdscr);
    };
    ask();
    curs_set(1);
    // A steering key held through the crash is no answer.
    return wait_after_play(
        stdscr, [](int key) { return direction_of_key(key) != key_direction::none; },
        [&] {
            redraw_play(g);
            ask();
            wrefresh(stdscr);
        });
}

}  // namespace coilclash
