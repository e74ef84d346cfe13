// The end of a game that keeps a score table: the score saved, the table
// shown, the question whether to play again asked and answered.
#pragma once

#include <curses.h>

#include <cstdint>

#include "score_screen.h"
#include "terminal.h"

struct game_end {
    const char* file_name = nullptr;  // the game's table
    int8_t table_size = 10;
    score_screen screen;              // layout, attributes, failure text and the score
    const char* question = "";
    attr_t question_attr = 0;
    // A framed page has its question at a fixed place; a printed one, where
    // question_row is negative, `rows_below_table` rows under the table's end
    // (at the end itself for none).
    int question_row = -1;
    int question_col = 0;
    int rows_below_table = 0;
    // Keys the question reads past; null for none.
    bool (*passed_over)(int key) = is_move_key;
};

// Where the question goes: a terminal too short for its row gets it on its last row.
struct question_spot {
    page_end at;
    bool moved;  // onto the last row, which the table may have taken
};
question_spot question_place(const game_end& end, page_end table, int lines);

// Saves the score, shows the table and asks; true when the player wants another game.
bool end_game(const game_end& end);
