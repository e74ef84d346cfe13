// One tick of voltrider on the largest arena: the rules, then the whole play screen drawn and
// sent to a curses screen on /dev/null.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "rules.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace voltrider;

namespace {

void one_tick(benchmark::State& state) {
    // 31x85 is the smallest terminal that gets the 24x80 arena.
    virtual_screen screen(31, 85);
    if (has_colors()) init_flash_colours();
    srandom(1);
    game g;
    size_arena(g, 31, 85);
    new_game(g);
    // Every hundredth tick scatters trail blocks; a dense arena is the slower one to draw.
    for (int i = 0; i < 20; ++i) place_trail_blocks(g, 20);
    tick_screens screens;
    // The explosion's frames are sleeps; the countdowns still have to run out.
    screens.explosion = [&] {
        for (int i = 0; i < 10; ++i) advance_countdowns(g);
    };
    for (auto _ : state) {
        // Immune for good, so the vehicle keeps driving whatever it meets.
        g.immunity = 1000;
        draw_tick(g);
        const key_meaning key = g.score % 37 == 0 ? key_meaning{key_action::steer, DIR_DOWN} : key_meaning{};
        benchmark::DoNotOptimize(play_tick(g, key, screens));
    }
}
BENCHMARK(one_tick)->Unit(benchmark::kMicrosecond);

}  // namespace
