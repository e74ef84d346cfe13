// The typing race: the queue of characters to type, the rope's position, levels and score.
#pragma once

#include <cstdint>

namespace ropeheave {

struct race {
    char queue[10] = {};     // characters to type; queue[0] is the next one
    int8_t rope_pos = 24;    // the picture's first column is rope_pos + 1
    int8_t level = 0;
    int64_t score = 0;
    bool home_row = false;   // once set, new characters come from the home row for good
    int pace = 20;           // the opponent pulls once every pace + 1 ticks
    int ticks = 0;           // ticks since the opponent's last pull
};

enum class tick_end { playing, level_won, lost };

constexpr int8_t start_rope_pos = 24;
constexpr int8_t winning_rope_pos = 11;  // at or left of this the level is won
constexpr int8_t losing_rope_pos = 37;   // right of this the game is lost

// Fills all nine characters from the table in use.
void fill_queue(race& r);
// A new level: picture back at its start, the opponent faster.
void start_level(race& r);
// A new game: score and level back to 0; the queue and home-row mode stay.
void start_game(race& r);
// The player's key of this tick: a match pulls the rope, 'h' switches to the home row.
void type_key(race& r, int key);
// The rest of the tick: the opponent's pull, then the level won or the game lost.
// A won level has already started the next one.
tick_end end_tick(race& r);

}  // namespace ropeheave
