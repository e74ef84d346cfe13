// Rules of voltrider over plain data: placing, exploding, collecting, steering, moving.
#include "rules.h"

#include <algorithm>
#include <cstdlib>

namespace voltrider {

namespace {

int wrap(int value, int size) { return ((value % size) + size) % size; }

int8_t draw_item_kind() {
    // A chain of fresh draws, stopping at the first hit: rarer kinds are tried first.
    if (random() % 40 == 0) return CELL_IMMUNITY;
    if (random() % 20 == 0) return CELL_BONUS;
    if (random() % 10 == 0) return CELL_BOMB;
    if (random() % 10 == 0) return CELL_NOTRAIL;
    if (random() % 4 == 0) return CELL_FLIGHT;
    return CELL_STOP;
}

}  // namespace

arena_size arena_size_for(int lines, int columns) {
    arena_size s{lines - 7, columns - 5};
    if (lines < 17) s.rows = 10;
    if (lines >= 32) s.rows = 24;
    if (columns < 45) s.cols = 40;
    if (columns >= 86) s.cols = 80;
    return s;
}

void size_arena(game& g, int lines, int columns) {
    arena_size s = arena_size_for(lines, columns);
    g.arena_rows = s.rows;
    g.arena_cols = s.cols;
    g.arena.assign(static_cast<size_t>(s.rows * s.cols), CELL_EMPTY);
}

void new_game(game& g) {
    g.immunity = 0;
    g.flight = 0;
    g.no_trail = 0;
    g.score = 0;
    g.direction = DIR_LEFT;
    g.vehicle_row = g.arena_rows / 2;
    g.vehicle_col = g.arena_cols / 2;
    std::fill(g.arena.begin(), g.arena.end(), CELL_EMPTY);
    place_items(g, start_items);
}

int place_items(game& g, int count) {
    // With trail nearly everywhere the draws could go on for ever; this many
    // misses per item means there is (almost surely) no acceptable cell left.
    const long max_draws = 64L * g.arena_rows * g.arena_cols;
    int placed = 0;
    for (; placed < count; ++placed) {
        int row = 0;
        int col = 0;
        long draws = 0;
        do {
            if (draws++ == max_draws) return placed;
            row = static_cast<int>(random() % g.arena_rows);
            col = static_cast<int>(random() % g.arena_cols);
        } while ((row == g.vehicle_row && col == g.vehicle_col) || g.cell(row, col) == CELL_TRAIL);
        g.cell(row, col) = draw_item_kind();
    }
    return placed;
}

void place_trail_blocks(game& g, int count) {
    // The box does not wrap: a block may land right beside the vehicle across an edge.
    // It can never cover the arena (9 rows of at least 10), so the draws end.
    for (int i = 0; i < count; ++i) {
        int row = 0;
        int col = 0;
        do {
            row = static_cast<int>(random() % g.arena_rows);
            col = static_cast<int>(random() % g.arena_cols);
        } while (g.vehicle_row - 5 < row && row < g.vehicle_row + 5 && g.vehicle_col - 10 < col &&
                 col < g.vehicle_col + 10);
        g.cell(row, col) = CELL_TRAIL;
    }
}

void explode(game& g, int row, int col) {
    // Emptied first, so the chain below never sets this bomb off again.
    g.cell(row, col) = CELL_EMPTY;
    for (int dy = -4; dy <= 3; ++dy) {
        for (int dx = -7; dx <= 8; ++dx) {
            int y = wrap(row + dy, g.arena_rows);
            int x = wrap(col + dx, g.arena_cols);
            if (g.cell(y, x) == CELL_BOMB) explode(g, y, x);
            g.cell(y, x) = COUNTDOWN_START;
        }
    }
}

pickup take_pickup(game& g) {
    int8_t& here = g.under_vehicle();
    pickup taken = pickup::none;
    switch (here) {
    case CELL_FLIGHT:
        g.flight += 16;
        taken = pickup::flight;
        break;
    case CELL_NOTRAIL:
        g.no_trail += 30;
        taken = pickup::no_trail;
        break;
    case CELL_BOMB:
        explode(g, g.vehicle_row, g.vehicle_col);
        return pickup::bomb;
    case CELL_BONUS:
        place_items(g, bonus_items);  // never onto the vehicle's cell, so `here` is still the bonus
        taken = pickup::bonus;
        break;
    case CELL_STOP:
        taken = pickup::stop;
        break;
    case CELL_IMMUNITY:
        g.immunity += g.arena_rows + g.arena_cols;
        taken = pickup::immunity;
        break;
    default:
        // Empty, trail or a countdown: the vehicle drives through countdowns unharmed.
        return pickup::none;
    }
    here = CELL_EMPTY;
    return taken;
}

bool check_trail(game& g) {
    int8_t& here = g.under_vehicle();
    if (here != CELL_TRAIL) return false;
    if (g.immunity > 0) {
        here = CELL_EMPTY;
        return false;
    }
    return g.flight <= 0;
}

void steer(game& g, uint8_t dir) {
    g.vertical_phase ^= 1;
    switch (dir) {
    case DIR_UP:
    case DIR_DOWN:
        // An up or down key makes the first vertical step happen at once.
        g.direction = dir;
        g.vertical_phase = 1;
        break;
    case DIR_LEFT:
    case DIR_RIGHT:
        g.direction = dir;
        break;
    default:
        break;
    }
}

void step_vehicle(game& g) {
    // Horizontal steps every tick, vertical every second tick: terminal cells are twice as tall as wide.
    bool vertical = g.direction == DIR_UP || g.direction == DIR_DOWN;
    if (vertical && g.vertical_phase == 0) return;
    if (g.immunity == 0 && g.flight == 0 && g.no_trail == 0) g.under_vehicle() = CELL_TRAIL;
    switch (g.direction) {
    case DIR_UP:
        g.vehicle_row = wrap(g.vehicle_row - 1, g.arena_rows);
        break;
    case DIR_DOWN:
        g.vehicle_row = wrap(g.vehicle_row + 1, g.arena_rows);
        break;
    case DIR_LEFT:
        g.vehicle_col = wrap(g.vehicle_col - 1, g.arena_cols);
        break;
    case DIR_RIGHT:
        g.vehicle_col = wrap(g.vehicle_col + 1, g.arena_cols);
        break;
    default:
        abort();  // a direction outside the four is a programming error
    }
}

void wear_power_ups(game& g) {
    if (g.immunity > 0) g.immunity -= 1;
    else if (g.flight > 0) g.flight -= 1;
    else if (g.no_trail > 0) g.no_trail -= 1;
}

void count_tick(game& g) {
    g.score += 1;
    if (g.score % milestone_ticks == 0) {
        place_items(g, bonus_items);
        place_trail_blocks(g, milestone_blocks);
    }
}

tick_end play_tick(game& g, key_meaning key, const tick_screens& screens) {
    const pickup taken = take_pickup(g);
    if (taken == pickup::bomb && screens.explosion) screens.explosion();
    if (taken == pickup::stop && screens.stop) key = screens.stop();
    if (check_trail(g)) return tick_end::crashed;

    const bool help = key.action == key_action::controls_help || key.action == key_action::gameplay_help;
    if (help && screens.screen_key) screens.screen_key(key.action);
    // Every tick steers, a key or none: the vertical phase flips even on a quit.
    steer(g, key.action == key_action::steer ? key.dir : DIR_NONE);
    if (key.action == key_action::quit) return tick_end::quit;
    if (key.action == key_action::stop_flashing && screens.screen_key) screens.screen_key(key.action);
    if (screens.pace) screens.pace();

    step_vehicle(g);
    count_tick(g);
    wear_power_ups(g);
    return tick_end::going;
}

void advance_countdowns(game& g) {
    for (int8_t& c : g.arena)
        if (c < 0) c += 1;
}

vehicle_look look_of_vehicle(const game& g) {
    if (g.immunity > 0) return vehicle_look::immune;
    if (g.flight > 0) return vehicle_look::flying;
    if (g.no_trail > 0) return vehicle_look::no_trail;
    return vehicle_look::plain;
}

}  // namespace voltrider
