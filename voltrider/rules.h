// The voltrider world: a wrapping arena of cells, the vehicle and its trail, pickups, bombs, power-ups.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace voltrider {

// What a cell holds. Negative values -10 to -1 are an explosion counting down to empty.
constexpr int8_t CELL_EMPTY = 0;
constexpr int8_t CELL_FLIGHT = 5;
constexpr int8_t CELL_NOTRAIL = 6;
constexpr int8_t CELL_BOMB = 7;
constexpr int8_t CELL_BONUS = 8;
constexpr int8_t CELL_STOP = 9;
constexpr int8_t CELL_IMMUNITY = 10;
constexpr int8_t CELL_TRAIL = 11;
constexpr int8_t COUNTDOWN_START = -10;

// DIR_NONE is no direction key at all; the other four never stand in a cell.
constexpr uint8_t DIR_NONE = 0;
constexpr uint8_t DIR_UP = 1;
constexpr uint8_t DIR_RIGHT = 2;
constexpr uint8_t DIR_DOWN = 3;
constexpr uint8_t DIR_LEFT = 4;

// Items scattered at the start of a game, by a bonus pickup and every hundred ticks.
constexpr int start_items = 20;
constexpr int bonus_items = 5;
constexpr int milestone_blocks = 20;
constexpr int milestone_ticks = 100;

struct arena_size {
    int rows;
    int cols;
};

// The arena that fits a terminal of `lines` x `columns`: 10 to 24 rows, 40 to 80 columns.
arena_size arena_size_for(int lines, int columns);

struct game {
    // Sized once per process; the cells are cleared at every new game.
    int arena_rows = 10;
    int arena_cols = 40;
    std::vector<int8_t> arena;

    int vehicle_row = 0;
    int vehicle_col = 0;
    uint8_t direction = DIR_LEFT;
    // Lives for the whole process: a new game does not reset it.
    uint8_t vertical_phase = 0;

    // Ticks left of each power-up.
    int immunity = 0;
    int flight = 0;
    int no_trail = 0;

    int64_t score = 0;  // ticks survived

    int8_t& cell(int row, int col) { return arena[row * arena_cols + col]; }
    int8_t cell(int row, int col) const { return arena[row * arena_cols + col]; }
    int8_t& under_vehicle() { return cell(vehicle_row, vehicle_col); }
    int8_t under_vehicle() const { return cell(vehicle_row, vehicle_col); }
};

// Sizes and allocates the arena once, for the whole process.
void size_arena(game& g, int lines, int columns);

// Clears the arena, puts the vehicle in the middle heading left, resets
// counters and score, and scatters the first items.
void new_game(game& g);

// Scatters `count` items, never on the vehicle or on trail. Returns how many
// were placed: fewer only when no acceptable cell turned up in a bounded number of draws.
int place_items(game& g, int count);

// Scatters `count` trail cells outside the 9x19 box around the vehicle.
void place_trail_blocks(game& g, int count);

// Sets off a bomb at (row, col): the 8x16 area around it, wrapping, starts counting
// down; bombs inside it go off first, depth-first.
void explode(game& g, int row, int col);

enum class pickup { none, flight, no_trail, bomb, bonus, stop, immunity };

// Applies the item under the vehicle and empties its cell. A bomb's cell is left
// counting down with the rest of its blast: the caller shows the ten frames that empty it.
pickup take_pickup(game& g);

// After take_pickup: true when the vehicle has run into trail with nothing to save it.
bool check_trail(game& g);

// Flips the vertical phase and turns to `dir` (DIR_NONE keeps the direction).
void steer(game& g, uint8_t dir);

// Lays trail (without power-ups) and moves one cell, wrapping at the edges.
void step_vehicle(game& g);

// One counter runs down per tick: Immunity first, then Flight, then NoTrail.
void wear_power_ups(game& g);

// Counts a survived tick; every hundredth brings more items and trail blocks.
void count_tick(game& g);

// Every countdown cell one step nearer to empty; the arena's drawing does this once per draw.
void advance_countdowns(game& g);

// What a key means during play; raw key codes stop at the input.
enum class key_action { none, steer, controls_help, gameplay_help, stop_flashing, quit };
struct key_meaning {
    key_action action = key_action::none;
    uint8_t dir = DIR_NONE;  // for key_action::steer
};

// The screens' parts of a tick, each called at its place in it; one left empty is skipped.
struct tick_screens {
    // A bomb went off under the vehicle: its frames, which run the blast's countdowns out.
    std::function<void()> explosion;
    // The vehicle stands on a stop: the wait. The key that ended it stands for the tick's key from then on.
    std::function<key_meaning()> stop;
    // A key whose meaning is the screens' alone: a help page, or the end of flashing colours.
    std::function<void(key_action)> screen_key;
    // Just before the vehicle moves: where a held key is throttled.
    std::function<void()> pace;
};

enum class tick_end { going, crashed, quit };

// One tick after its key was read: the pickup under the vehicle (with its explosion or stop),
// the trail check, a help page, steering, quitting, the end of flashing, the pace, then the
// vehicle's step, the count of the tick and the wear of the power-ups.
tick_end play_tick(game& g, key_meaning key, const tick_screens& screens);

// How the vehicle looks, from the power-up that matters most.
enum class vehicle_look { immune, flying, no_trail, plain };
vehicle_look look_of_vehicle(const game& g);

}  // namespace voltrider
