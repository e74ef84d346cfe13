// Small arenas for rule tests: a size and the cells already taken.
#pragma once

#include <initializer_list>

#include "arena.h"

namespace coilclash {

inline arena make_arena(int len, int wid, std::initializer_list<position> taken = {}) {
    arena a;
    a.allocate(len, wid);
    for (position p : taken) a.cells[p.row * wid + p.col] = OWNER_PLAYER;
    return a;
}

inline snake make_snake(int row, int col, int8_t dir, int8_t owner = OWNER_COMPUTER, int8_t mode = 2) {
    snake s;
    s.row = row;
    s.col = col;
    s.dir = dir;
    s.owner = owner;
    s.mode = mode;
    return s;
}

inline int taken_cells(const arena& a) {
    int n = 0;
    for (int8_t c : a.cells) n += c != 0;
    return n;
}

}  // namespace coilclash
