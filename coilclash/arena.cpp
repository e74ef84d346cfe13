// The arena's primitives: directions, the board's cells and a snake's move.
// A move into a taken cell must end the program even in release builds, so asserts stay on here.
#undef NDEBUG
#include "arena.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace coilclash {

void (*before_fatal_error)() = nullptr;

namespace {

void prepare_for_fatal_error() {
    if (before_fatal_error != nullptr) before_fatal_error();
}

}  // namespace

void arena::allocate(int rows, int cols) {
    len = std::max(rows, 0);
    wid = std::max(cols, 0);
    cells.assign(static_cast<size_t>(len) * static_cast<size_t>(wid), 0);
}

position step(position p, int d) {
    switch (d) {
        case DIR_UP: return {p.row - 1, p.col};
        case DIR_RIGHT: return {p.row, p.col + 1};
        case DIR_DOWN: return {p.row + 1, p.col};
        case DIR_LEFT: return {p.row, p.col - 1};
        default: return p;
    }
}

int8_t opposite(int d) {
    if (d < 0 || d > 3) {
        prepare_for_fatal_error();
        abort();
    }
    return static_cast<int8_t>((d + 2) % 4);
}

bool blocked(const arena& board, snake s) { return !board.is_free(step(s.head(), s.dir)); }

void move_snake(arena& board, snake* s) {
    if (blocked(board, *s)) prepare_for_fatal_error();
    assert(!blocked(board,*s));
    const position next = step(s->head(), s->dir);
    s->row = next.row;
    s->col = next.col;
    board.cells[next.row * board.wid + next.col] = static_cast<int8_t>(s->owner + opposite(s->dir));
}

}  // namespace coilclash
