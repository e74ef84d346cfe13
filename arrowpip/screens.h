// Drawing and waiting screens of the letter target.
#pragma once

#include <curses.h>

#include "input.h"
#include "rules.h"

namespace arrowpip {

// Ring colour (pair 1), unused yellow (pair 2), letters (pair 3); all 0 without colours.
extern attr_t palette[3];

// The target picture with its attributes, built once after the colours.
extern chtype target[screen_rows][screen_cols];

// Sets up colour pairs 1 to 3 and the palette.
void init_palette();

// Fills `target` from the ring pattern and the palette.
void build_target();

// Four lines of 10 columns at rows 0 to 3, column 0.
void draw_banner();

// A visible letter at its cell, bold once shot or stopped.
void draw_letter(const letter_record& L);

// The target, the counters, the stopped and the flying letters, the message.
void draw_play_screen(const game& g);

// The board as the game ended; waits for a key.
void draw_final_screen(const game& g);

// Help page; waits for a key, then half-delay reads resume.
void show_gameplay_help();

// The end of a game: blocking reads, the cursor shown, then what show_game_end
// shows. True to play again.
bool finish_game(const game& g);

// Final board, score store, score table and the play-again question. True to play again.
bool show_game_end(const game& g);

}  // namespace arrowpip
