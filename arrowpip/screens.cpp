// Drawing of the letter target: play screen, final board, help and the end of a game.
#include "screens.h"

#include "draw.h"
#include "help_page.h"
#include "game_end.h"
#include "score_screen.h"
#include "score_store.h"
#include "terminal.h"

namespace arrowpip {

attr_t palette[3] = {0, 0, 0};
chtype target[screen_rows][screen_cols];

namespace {

// "arrow" over "pip", with an arrow in flight beside it.
const char* const banner_lines[4] = {
    "/\\|)|)/\\  ",
    "|||\\|\\\\/VV",
    "|)||) >-->",
    "| ||      ",
};

void draw_target() {
    // A row at a time: the whole target is drawn every tick. The copy stops at the
    // window's right edge, so a narrow terminal clips it like single cells would.
    for (int y = 0; y < screen_rows; ++y)
        if (wmove(stdscr, y, 0) == OK) waddchnstr(stdscr, target[y], screen_cols);
}

void draw_stopped(const game& g) {
    for (int i = 0; i < stopped_size - g.slots_left; ++i) draw_letter(g.stopped[i]);
}

void draw_final_board(const game& g) {
    draw_target();
    draw_banner();
    put_format(5, 0, COLS, "Score: %ld", static_cast<long>(g.score));
    draw_stopped(g);
    put(23, 0, "Press any key to continue:");
}

}  // namespace

void init_palette() {
    start_color();
    init_pair(1, COLOR_RED, COLOR_BLACK);
    init_pair(2, COLOR_YELLOW, COLOR_BLACK);
    init_pair(3, COLOR_GREEN, COLOR_BLACK);
    for (int i = 0; i < 3; ++i) palette[i] = COLOR_PAIR(i + 1);
}

void build_target() {
    for (int y = 0; y < screen_rows; ++y) {
        for (int x = 0; x < screen_cols; ++x) {
            char c = ring_char(y, x);
            target[y][x] = static_cast<chtype>(c) | (c == '$' ? palette[0] : 0);
        }
    }
}

void draw_banner() {
    for (int i = 0; i < 4; ++i) put(i, 0, banner_lines[i]);
}

void draw_letter(const letter_record& L) {
    if (!L.visible) return;
    chtype ch = static_cast<chtype>(static_cast<unsigned char>(L.letter)) | palette[2];
    if (L.countdown != 0) ch |= A_BOLD;
    // Truncation toward zero: a letter just past the top or left edge still shows in row or column 0.
    put(static_cast<int>(L.row), static_cast<int>(L.col), ch);
}

void draw_play_screen(const game& g) {
    draw_target();
    draw_banner();
    put_format(5, 0, COLS, "Score: %ld", static_cast<long>(g.score));
    put_format(6, 0, COLS, "Shots: %d", g.shots);
    draw_stopped(g);
    for (const letter_record& L : g.letters) draw_letter(L);
    if (g.message_ticks != 0) put(23, 0, g.message);
}

void draw_final_screen(const game& g) {
    draw_final_board(g);
    wrefresh(stdscr);
    wait_after_play(stdscr, nullptr, [&] {
        draw_final_board(g);
        wrefresh(stdscr);
    });
}

void show_gameplay_help() {
    static const char* const lines[] = {
        "If you hit a letter on keyboard, the letter on the",
        "screen will soon stop. You have to aim for the",
        "center of the target using the moving letters.",
    };
    blocking_input();
    show_help_page(framed_page{.frame_attr = A_STANDOUT | palette[2], .screen_attr = A_NORMAL, .lines = lines});
    paced_input();
}

bool finish_game(const game& g) {
    blocking_input();
    curs_set(1);
    return show_game_end(g);
}

bool show_game_end(const game& g) {
    draw_final_screen(g);
    game_end end;
    end.file_name = "arrowpip_scores";
    end.table_size = 11;
    end.screen.kind = score_screen::framed;
    end.screen.shown = 11;
    end.screen.failure_text = "Could not open score file.";
    end.screen.score = g.score;
    end.screen.frame_attr = A_STANDOUT | palette[2];
    end.question = "Wanna play again? (y/n)";
    end.question_attr = palette[0] | A_STANDOUT;
    end.question_row = 23;
    end.question_col = 29;
    return end_game(end);
}

}  // namespace arrowpip
