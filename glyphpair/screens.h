// Drawing, help pages and the end screen of the pairs game.
#pragma once

#include <curses.h>

#include "rules.h"

namespace glyphpair {

// The six pair colours: COLOR_PAIR(1) to (6) with colours, A_NORMAL without.
extern attr_t glyph_colors[colour_count];

// Sets up the colour pairs when `colours` is true; else the glyphs stay plain.
void init_glyph_colors(bool colours);

// The three rows of the title banner, drawn from (row, col) down.
void draw_title_banner(int row, int col);
extern const char* const title_banner[3];

// The 10 by 18 frame around the grid, its top-left corner at (row, col).
void draw_tile_box(int row, int col);

// The box and every tile: the glyph when face up, else '.'; the cursor tile in standout.
void draw_board(const board& b, int row, int col);

// One pass of the game: banner and board on a cleared screen.
void draw_game(const board& b);

// The two help pages as drawn, before their wait for a key.
void draw_controls_page();
void draw_gameplay_page();

// The controls page, then the gameplay page; each waits for a key.
void show_controls_help();
void show_gameplay_help();

// Rows 13 and 15 under the solved board: the result, the question and the time.
void draw_end_screen(long elapsed);

}  // namespace glyphpair
