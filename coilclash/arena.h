// The arena's primitives: the board, its cells, the snakes on it and their moves.
#pragma once

#include <cstdint>
#include <vector>

namespace coilclash {

// Directions, numbered clockwise: +1 mod 4 is a quarter turn right.
constexpr int8_t DIR_UP = 0;
constexpr int8_t DIR_RIGHT = 1;
constexpr int8_t DIR_DOWN = 2;
constexpr int8_t DIR_LEFT = 3;

// A body cell holds its owner's code plus the direction back to the cell the snake came from.
constexpr int8_t OWNER_COMPUTER = 4;
constexpr int8_t OWNER_PLAYER = 8;

// Arena limits: the set-up indexes the arena with signed 8-bit counters, hence 127.
constexpr int min_len = 10;
constexpr int max_len = 127;
constexpr int min_wid = 40;
constexpr int max_wid = 127;
constexpr int default_len = 10;
constexpr int default_wid = 40;

struct position {
    int row = 0;
    int col = 0;
    bool operator==(const position&) const = default;
};

// The arena grid `board`: len x wid signed bytes, row-major, 0 for empty. No cells until allocated.
struct arena {
    int len = 0;
    int wid = 0;
    std::vector<int8_t> cells;

    // Sizes the grid once for the whole run; every cell empty.
    void allocate(int rows, int cols);
    bool on_board(position p) const { return p.row >= 0 && p.col >= 0 && p.row < len && p.col < wid; }
    // On the board and empty.
    bool is_free(position p) const { return on_board(p) && cells[p.row * wid + p.col] == 0; }
    int8_t at(position p) const { return cells[p.row * wid + p.col]; }
};

struct snake {
    int row = 0;
    int col = 0;
    int8_t dir = DIR_UP;
    int8_t owner = 0;
    int8_t mode = 0;   // the computer's steering mode; meaningless for the player
    int8_t wins = 0;   // games won in the current match
    int color = 0;     // curses attribute of the snake's cells

    position head() const { return {row, col}; }
};

// Called before a programming error ends the program, so the terminal can be restored first.
extern void (*before_fatal_error)();

// The neighbouring position in direction d; any other d leaves p unchanged.
position step(position p, int d);
// The reverse of d; d outside 0..3 is a programming error and aborts.
int8_t opposite(int d);
// True when the cell ahead of s's head in s.dir is off the board or taken.
bool blocked(const arena& board, snake s);
// One cell ahead; the cell entered remembers the way back. Calling it when blocked is a programming error.
void move_snake(arena& board, snake* s);

}  // namespace coilclash
