// Drawing of the duel and its waiting screens (help, pause, the game-over question).
#pragma once

#include <curses.h>

#include <cstdint>

#include "input.h"
#include "rules.h"

namespace coilclash {

// Colour pairs 1 to 6 on the default background, and the snakes' colour table.
void init_snake_colors(duel& g);

// The title in rows 0 to 2; row 1 stops short of column 13, no row reaches column 16.
void draw_banner();
extern const char* const banner_rows[3];
void draw_border(const arena& board);
// Border, win counters and every snake cell; empty cells are left as they are.
void draw_arena(const duel& g);

// Waiting screens: each waits for one key, then half-delay reads resume.
void show_gameplay_help();
void show_controls_help();  // continues into the gameplay help
// The pause screen as it waits; after its key the screen is cleared for the next frame.
void draw_pause();
void show_pause();

// The end of a game: the final board and counts, then the question. Returns the answer key.
int ask_play_again(const duel& g);

}  // namespace coilclash
