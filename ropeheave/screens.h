// Drawing and waiting screens of the typing race.
#pragma once

#include <curses.h>

#include "input.h"
#include "rules.h"

namespace ropeheave {

// Colour attributes: pairs 1 to 4 with colours; the border (2) and the screens (3) are plain without.
extern attr_t palette[4];

// Sets up the colour pairs and the palette.
void init_palette();

// Draws frame `frame` of a picture: "\n" starts a row, a form feed separates
// frames, a blank leaves the cell as it was; line characters start at col + 1.
void draw_art(int8_t row, int8_t col, const char* text, int frame);

// The play screen: the centre line, the banner, the figures, and over them the text block beside the player.
void draw_field(const race& r);

// Help page; waits for a key, then half-delay reads resume.
void show_gameplay_help();

// The end of a game: score table and the play-again question. True to play again.
bool finish_game(const race& r);

extern const char* const banner_art;
extern const char* const figure_art;

}  // namespace ropeheave
