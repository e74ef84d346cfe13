// One tick of voltrider on the largest arena: the rules, then the whole play screen drawn and
// sent to a curses screen on /dev/null.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "rules.h"
#include "screens.h"
#include "virtual_screen.h"

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
    for (auto _ : state) {
        // Immune for good, so the vehicle keeps driving whatever it meets.
        g.immunity = 1000;
        draw_tick(g);
        pickup taken = take_pickup(g);
        if (taken == pickup::bomb) {
            // The explosion's frames are sleeps; the countdowns still have to run out.
            for (int i = 0; i < 10; ++i) advance_countdowns(g);
        }
        benchmark::DoNotOptimize(check_trail(g));
        steer(g, g.score % 37 == 0 ? DIR_DOWN : DIR_NONE);
        step_vehicle(g);
        count_tick(g);
        wear_power_ups(g);
    }
}
BENCHMARK(one_tick)->Unit(benchmark::kMicrosecond);

}  // namespace
