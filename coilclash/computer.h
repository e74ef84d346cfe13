// The computer's snake: four steering modes over random-walk look-ahead and preference lists.
#pragma once

#include <array>
#include <cstdint>

#include "arena.h"

namespace coilclash {

constexpr int8_t MODE_CHASE = 0;
constexpr int8_t MODE_SURVIVE = 1;
constexpr int8_t MODE_DISTANT = 2;
constexpr int8_t MODE_MIRROR = 3;

// computer_move's answer when no neighbouring cell is free: the computer loses.
constexpr int TRAPPED = -16129;

// Four directions in order of preference.
using dir_list = std::array<int8_t, 4>;
using score_list = std::array<int64_t, 4>;

// The reflection of p through the arena's centre.
position mirror_point(const arena& board, position p);
// True when one of the two cells straight ahead of s is off the board or taken.
bool dangerous(const arena& board, snake s);
// The four directions from head toward target: the two toward first, the two away last.
dir_list order_toward(position head, int8_t dir, position target);
// Where the chase aims when the heads are far apart: a cell on the other's straight path.
position intercept_point(const arena& board, snake me, snake other);
// Moves the directions whose two cells ahead are not clear behind the others; stable.
void safe_first(const arena& board, snake s, dir_list& list);
// Length of one walk from start (0 .. len + wid + 1). A randomised walk flips turn_sign first.
int probe(const arena& board, int8_t& turn_sign, position start, int d, bool randomised);
// Look-ahead score of direction d from start: five cells along it, thirty walks from each.
int64_t evaluate(const arena& board, int8_t& turn_sign, position start, int d);
// Scores the four directions (list in its reset order) and sorts both lists, best first.
void rank_directions(const arena& board, int8_t& turn_sign, snake s, score_list& scores, dir_list& list);
// The mode for this move, from the stored mode, the room ahead and the heads' distance.
int8_t choose_mode(const arena& board, snake me, snake other, int room);
// Whether `me`, in the mode chosen for this move, goes on straight without planning.
bool keeps_straight(const arena& board, snake me, int dr, int dc);
// One move of `me`: 1 when it moved, TRAPPED when no neighbouring cell is free (nothing changes).
int computer_move(arena& board, int8_t& turn_sign, snake* me, const snake& other);

}  // namespace coilclash
