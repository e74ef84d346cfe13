// The end of a game: score, table, question, answer.
#include "game_end.h"

#include "draw.h"
#include "score_store.h"
#include "terminal.h"

question_spot question_place(const game_end& end, page_end table, int lines) {
    page_end at{end.question_row, end.question_col};
    if (end.question_row < 0) {
        at.row = table.row + end.rows_below_table;
        at.col = end.rows_below_table > 0 ? 0 : table.col;
    }
    if (at.row <= lines - 1) return {at, false};
    return {{lines - 1, at.col}, true};
}

bool end_game(const game_end& end) {
    blocking_input();
    const page_end table = show_scores(save_score(end.file_name, end.screen.score, end.table_size), end.screen);
    const question_spot spot = question_place(end, table, LINES);
    const page_end at = spot.at;
    // Moved onto a row the table took, the rest of that row would read as part of the question.
    if (spot.moved && wmove(stdscr, at.row, at.col) == OK) wclrtoeol(stdscr);
    put_clipped(at.row, at.col, COLS, end.question, end.question_attr);
    curs_set(1);
    wrefresh(stdscr);
    return !declines_another_game(wait_after_play(stdscr, end.passed_over));
}
