// Drawing and waiting screens of voltrider: banner, status, framed arena, help, end of a game.
#pragma once

#include <curses.h>

#include <cstdint>

#include "rules.h"

namespace voltrider {

// The six attributes that flash: colour pairs 1 to 6 with colours, all 0 without or after 'e'.
extern attr_t flash_colours[6];
// Index of the current flashing colour; every draw of the arena moves it on.
extern uint8_t flash_step;
// Draws of the arena left that show the photosensitivity hint.
extern int8_t pse_hint_ticks;

// Arena cell (r, c) stands at screen row r + arena_top, column c + 1.
constexpr int arena_top = 4;

// Sets up colour pairs 1 to 6 (blue, green, yellow, cyan, magenta, red) and flash_colours.
void init_flash_colours();

// The 'e' key: no more flashing colours and no more hint, for the rest of the process.
void stop_flashing();

// "voltrider" in two rows of ASCII art at rows 1 and 2 (4 and 11 wide).
void draw_banner();

// "Score:" on row 1 and the power-up that runs down on row 2, from column 12.
void draw_status(const game& g);

void draw_arena_border(const game& g);

// Frame, cells, vehicle and hint. Moves the flashing colour and the explosion countdowns on.
void draw_arena(game& g);

// The whole play screen of one tick, refreshed.
void draw_tick(game& g);

// The ten frames of an explosion, a tenth of a second each.
void show_explosion(game& g);

// A stop: the vehicle shown standing, then a blocking wait. Returns the key that ended it.
int wait_at_stop(const game& g);

// The controls page, then the gameplay page; half-delay reads resume after each.
void show_controls_help();
void show_gameplay_help();

// The crash as it happened and the game-over line; waits for a key.
void show_game_over(game& g);

// Records the score, shows the table and asks for another game. True to play again.
bool finish_game(const game& g);

}  // namespace voltrider
