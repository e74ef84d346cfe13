// One tick of the letter target: 26 letters step, then the whole screen, target
// included, is drawn and sent to a curses screen writing to /dev/null.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "rules.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace arrowpip;

namespace {

void full_tick(benchmark::State& state) {
    virtual_screen vs;
    init_palette();
    build_target();
    srandom(1);
    game g;
    start_game(g);
    // Letters flying free never stop, so every tick moves all 26.
    for (auto _ : state) {
        end_tick(g);
        draw_play_screen(g);
        wrefresh(stdscr);
    }
}
BENCHMARK(full_tick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void draw_only(benchmark::State& state) {
    virtual_screen vs;
    init_palette();
    build_target();
    srandom(1);
    game g;
    start_game(g);
    for (auto _ : state) draw_play_screen(g);
}
BENCHMARK(draw_only)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
