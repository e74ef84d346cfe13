// The dearest move there is: the look-ahead mode on an open 127 x 127 arena.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

#include "computer.h"

using namespace coilclash;

namespace {
long allocations = 0;
}

// Every allocation is counted, so the benchmark can tell that a move allocates nothing.
// GCC cannot see that these replacements pair malloc with free throughout.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

static void computer_move_survive_open_127(benchmark::State& state) {
    arena board;
    board.allocate(127, 127);
    // A mirror game far from its mirror point plans every move by look-ahead.
    snake me;
    me.row = 63;
    me.col = 57;
    me.owner = OWNER_COMPUTER;
    me.mode = MODE_MIRROR;
    snake other;
    other.row = 10;  // mirror point (116, 116), far from the computer's head
    other.col = 10;
    other.owner = OWNER_PLAYER;
    int8_t turn_sign = 1;
    srandom(1);
    long allocated = 0;
    for (auto _ : state) {
        snake s = me;
        const long before = allocations;
        const int result = computer_move(board, turn_sign, &s, other);
        allocated += allocations - before;
        benchmark::DoNotOptimize(result);
        // Undo the move, so every iteration starts from the open arena.
        board.cells[s.row * board.wid + s.col] = 0;
    }
    state.counters["allocations"] = static_cast<double>(allocated);
    if (allocated != 0) state.SkipWithError("a move allocated memory");
}
BENCHMARK(computer_move_survive_open_127)->Repetitions(10)->ReportAggregatesOnly(true);
