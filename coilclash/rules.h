// The snake duel: both snakes in their arena, the match, and the rules of a game and a match.
#pragma once

#include <cstdint>

#include "arena.h"

namespace coilclash {

// Everything that lives for the whole run.
struct duel {
    arena board;
    snake computer;
    snake player;
    int snake_colors[6] = {0, 0, 0, 0, 0, 0};
    int8_t mirror_flag = 0;
    int8_t turn_sign = 1;    // sense of the random walks' turns; never reset
    int8_t wins_needed = 5;  // wins that end the match
};

// Start positions, colours, the computer's starting mode and an empty board.
void new_game(duel& g);

// The player's turn request: refused when it reverses the snake or faces the wall it touches.
void steer(snake* s, int8_t d, const arena& board);

enum class step_end { going, computer_won, player_won };
// One step: the player moves first, then the computer.
step_end play_step(duel& g);
// The start of each game: ends a finished match, or raises the target at a tie one short of it.
void settle_match(duel& g);
// Counts the game for its winner.
void record_win(duel& g, step_end winner);

}  // namespace coilclash
