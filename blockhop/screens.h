// Drawing of blockhop: squares, banner, marker, a hop's frames and the waiting screens.
#pragma once

#include <curses.h>

#include <functional>

#include "rules.h"

namespace blockhop {

// The marker's attribute: colour pair 1, or none without colours.
extern attr_t player_colour;

// Sets up the five colour pairs and the player's colour.
void init_palette();

// One square outline with its top-left corner at (top, left); what falls off the screen is skipped.
void draw_square(int top, int left);

// The title banner, with "Score:" and "Combo:" at column 17 of rows 1 and 2; the cursor ends on row 3.
void draw_banner(const world& w);

// The marker at its place on square 0.
void draw_player(const world& w);

// A whole play frame: squares, banner and marker (not refreshed).
void draw_play(const world& w);

// A frame of a hop: squares shifted by the scroll, banner and marker in flight (not refreshed).
void draw_hop(const world& w, const flight& f);

// The help page, up for five seconds; no-delay reads resume afterwards.
void show_gameplay_help();

// The end of a game: the prompt, the score table and the play-again question. True to play again.
// A resize at the prompt draws the scene again with `redraw_scene`: the frame that was on the screen.
bool finish_game(const world& w, const std::function<void()>& redraw_scene);

extern const char* const banner_lines[3];

}  // namespace blockhop
