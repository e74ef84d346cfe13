// voltrider's rules without a terminal: sizes, moving, trail, pickups, bombs, power-ups, placing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "rules.h"

using namespace voltrider;

namespace {

// An empty 17x75 arena (the 24x80 terminal's) with the vehicle in the middle heading left.
game empty_game(int lines = 24, int columns = 80) {
    game g;
    size_arena(g, lines, columns);
    g.vehicle_row = g.arena_rows / 2;
    g.vehicle_col = g.arena_cols / 2;
    g.direction = DIR_LEFT;
    return g;
}

// A tick with a steering key (or none) and no screens. True when the vehicle crashed.
bool tick(game& g, uint8_t dir = DIR_NONE) {
    return play_tick(g, {dir == DIR_NONE ? key_action::none : key_action::steer, dir}, {}) == tick_end::crashed;
}

int count_cells(const game& g, int8_t value) {
    int n = 0;
    for (int8_t c : g.arena) n += c == value;
    return n;
}

int count_countdowns(const game& g) {
    int n = 0;
    for (int8_t c : g.arena) n += c < 0;
    return n;
}

bool is_item(int8_t c) { return c >= CELL_FLIGHT && c <= CELL_IMMUNITY; }

}  // namespace

TEST(VoltriderArena, IsSizedFromTheTerminalWithinItsBounds) {
    struct row {
        int lines, columns, rows, cols;
    } cases[] = {
        {24, 80, 17, 75}, {10, 40, 10, 40}, {16, 44, 10, 40}, {17, 45, 10, 40}, {18, 46, 11, 41},
        {31, 85, 24, 80}, {32, 86, 24, 80}, {50, 200, 24, 80}, {1, 1, 10, 40},
    };
    for (const row& c : cases) {
        arena_size s = arena_size_for(c.lines, c.columns);
        EXPECT_EQ(s.rows, c.rows) << c.lines << " lines";
        EXPECT_EQ(s.cols, c.cols) << c.columns << " columns";
    }
    game g;
    size_arena(g, 24, 80);
    EXPECT_EQ(g.arena.size(), 17u * 75u);
}

TEST(VoltriderArena, NewGameStartsInTheMiddleWithTwentyItemsAndKeepsTheVerticalPhase) {
    srandom(7);
    game g = empty_game();
    g.arena.assign(g.arena.size(), CELL_TRAIL);
    g.immunity = g.flight = g.no_trail = 3;
    g.score = 55;
    g.direction = DIR_UP;
    g.vertical_phase = 1;
    new_game(g);
    EXPECT_EQ(g.vehicle_row, 8);
    EXPECT_EQ(g.vehicle_col, 37);
    EXPECT_EQ(g.direction, DIR_LEFT);
    EXPECT_EQ(g.immunity + g.flight + g.no_trail, 0);
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(g.vertical_phase, 1);
    int items = 0;
    for (int8_t c : g.arena) {
        EXPECT_TRUE(c == CELL_EMPTY || is_item(c));
        items += is_item(c);
    }
    // Items may land on one another, so a few fewer is possible.
    EXPECT_GE(items, 17);
    EXPECT_LE(items, 20);
}

TEST(VoltriderMoving, DrivingOffAnEdgeComesInAtTheOppositeOne) {
    struct row {
        int row, col;
        uint8_t dir;
        int want_row, want_col;
    } cases[] = {
        {0, 30, DIR_UP, 16, 30},     {16, 30, DIR_DOWN, 0, 30},  {5, 0, DIR_LEFT, 5, 74},
        {5, 74, DIR_RIGHT, 5, 0},    {0, 0, DIR_UP, 16, 0},      {16, 74, DIR_RIGHT, 16, 0},
    };
    for (const row& c : cases) {
        game g = empty_game();
        g.vehicle_row = c.row;
        g.vehicle_col = c.col;
        steer(g, c.dir);
        step_vehicle(g);
        EXPECT_EQ(g.vehicle_row, c.want_row) << c.row << "," << c.col << " dir " << int(c.dir);
        EXPECT_EQ(g.vehicle_col, c.want_col) << c.row << "," << c.col << " dir " << int(c.dir);
        EXPECT_EQ(g.cell(c.row, c.col), CELL_TRAIL);
    }
}

TEST(VoltriderMoving, SteeringFlipsThePhaseAndUpOrDownForcesIt) {
    struct row {
        uint8_t phase, dir, want_dir, want_phase;
    } cases[] = {
        {0, DIR_NONE, DIR_LEFT, 1}, {1, DIR_NONE, DIR_LEFT, 0}, {1, DIR_UP, DIR_UP, 1},
        {0, DIR_DOWN, DIR_DOWN, 1}, {0, DIR_RIGHT, DIR_RIGHT, 1}, {1, DIR_LEFT, DIR_LEFT, 0},
    };
    for (const row& c : cases) {
        game g = empty_game();
        g.vertical_phase = c.phase;
        steer(g, c.dir);
        EXPECT_EQ(g.direction, c.want_dir) << "phase " << int(c.phase) << " dir " << int(c.dir);
        EXPECT_EQ(g.vertical_phase, c.want_phase) << "phase " << int(c.phase) << " dir " << int(c.dir);
    }
}

TEST(VoltriderMoving, VerticalTravelTakesTwoTicksPerRowAndLeavesOneTrailCellPerRow) {
    game g = empty_game();
    const int start_row = g.vehicle_row;
    const int col = g.vehicle_col;
    ASSERT_FALSE(tick(g, DIR_UP));  // the key makes the first step at once
    EXPECT_EQ(g.vehicle_row, start_row - 1);
    for (int i = 0; i < 9; ++i) ASSERT_FALSE(tick(g));
    EXPECT_EQ(g.vehicle_row, start_row - 5);
    EXPECT_EQ(g.vehicle_col, col);
    EXPECT_EQ(count_cells(g, CELL_TRAIL), 5);
    for (int r = start_row - 4; r <= start_row; ++r) EXPECT_EQ(g.cell(r, col), CELL_TRAIL) << "row " << r;
    // Horizontal travel is one cell every tick.
    for (int i = 0; i < 4; ++i) ASSERT_FALSE(tick(g, i == 0 ? DIR_RIGHT : DIR_NONE));
    EXPECT_EQ(g.vehicle_col, col + 4);
}

TEST(VoltriderMoving, ReversingRunsIntoTheFreshTrailUnlessAPowerUpSavesIt) {
    enum class given { none, immunity, flight, no_trail };
    struct row {
        const char* name;
        given power;
        bool from_start;  // granted before any trail was laid
        bool crashes;
        int8_t cell_after;  // the trail cell the vehicle reversed onto
    } cases[] = {
        {"no power-up", given::none, false, true, CELL_TRAIL},
        {"Immunity wipes the trail", given::immunity, false, false, CELL_EMPTY},
        {"Flight passes over it", given::flight, false, false, CELL_TRAIL},
        {"NoTrail does not save from old trail", given::no_trail, false, true, CELL_TRAIL},
        {"NoTrail from the start laid none", given::no_trail, true, false, CELL_EMPTY},
    };
    for (const row& c : cases) {
        game g = empty_game();
        auto grant = [&] {
            if (c.power == given::immunity) g.immunity = 10;
            if (c.power == given::flight) g.flight = 10;
            if (c.power == given::no_trail) g.no_trail = 10;
        };
        if (c.from_start) grant();
        for (int i = 0; i < 3; ++i) ASSERT_FALSE(tick(g)) << c.name;
        if (!c.from_start) grant();
        const int behind = g.vehicle_col + 1;
        ASSERT_FALSE(tick(g, DIR_RIGHT)) << c.name;
        ASSERT_EQ(g.vehicle_col, behind) << c.name;
        EXPECT_EQ(tick(g), c.crashes) << c.name;
        EXPECT_EQ(g.cell(g.vehicle_row, behind), c.cell_after) << c.name;
    }
}

TEST(VoltriderPickups, EachItemTakesEffectAndLeavesAnEmptyCell) {
    struct row {
        int8_t cell;
        pickup want;
        int immunity, flight, no_trail;
    } cases[] = {
        {CELL_FLIGHT, pickup::flight, 0, 10 + 16, 0},
        {CELL_NOTRAIL, pickup::no_trail, 0, 10, 30},
        {CELL_IMMUNITY, pickup::immunity, 17 + 75, 10, 0},
        {CELL_STOP, pickup::stop, 0, 10, 0},
        {CELL_BONUS, pickup::bonus, 0, 10, 0},
    };
    for (const row& c : cases) {
        srandom(3);
        game g = empty_game();
        g.flight = 10;
        g.under_vehicle() = c.cell;
        EXPECT_EQ(take_pickup(g), c.want) << int(c.cell);
        EXPECT_EQ(g.under_vehicle(), CELL_EMPTY) << int(c.cell);
        EXPECT_EQ(g.immunity, c.immunity) << int(c.cell);
        EXPECT_EQ(g.flight, c.flight) << int(c.cell);
        EXPECT_EQ(g.no_trail, c.no_trail) << int(c.cell);
        int items = 0;
        for (int8_t v : g.arena) items += is_item(v);
        EXPECT_EQ(items > 0, c.cell == CELL_BONUS) << int(c.cell);
        EXPECT_LE(items, 5);
    }
}

TEST(VoltriderPickups, TrailAndCountdownsUnderTheVehicleAreLeftAlone) {
    for (int8_t c : {CELL_EMPTY, CELL_TRAIL, int8_t{-10}, int8_t{-1}}) {
        game g = empty_game();
        g.under_vehicle() = c;
        EXPECT_EQ(take_pickup(g), pickup::none);
        EXPECT_EQ(g.under_vehicle(), c);
        if (c < 0) {
            EXPECT_FALSE(check_trail(g));
        }
    }
}

TEST(VoltriderBombs, ABombSetsOffTheBombsInItsAreaDepthFirstAndAllClearAfterTenDraws) {
    game g = empty_game();
    // A chain: each bomb lies in the area of the one before; the last lies outside them all.
    g.cell(8, 20) = CELL_BOMB;
    g.cell(8, 27) = CELL_BOMB;
    g.cell(8, 34) = CELL_BOMB;
    g.cell(8, 50) = CELL_BOMB;
    g.cell(0, 20) = CELL_TRAIL;  // outside every area
    g.cell(5, 30) = CELL_TRAIL;  // inside
    explode(g, 8, 20);
    // Columns 13 to 42 (three areas of 16, each 7 further right), rows 4 to 11.
    for (int r = 0; r < g.arena_rows; ++r)
        for (int c = 0; c < 49; ++c) {
            bool in_area = r >= 4 && r <= 11 && c >= 13 && c <= 42;
            EXPECT_EQ(g.cell(r, c) == COUNTDOWN_START, in_area) << r << "," << c;
        }
    EXPECT_EQ(count_countdowns(g), 8 * 30);
    EXPECT_EQ(count_cells(g, CELL_BOMB), 1);
    EXPECT_EQ(g.cell(0, 20), CELL_TRAIL);
    for (int i = 0; i < 9; ++i) advance_countdowns(g);
    EXPECT_EQ(count_countdowns(g), 8 * 30);
    advance_countdowns(g);
    EXPECT_EQ(count_countdowns(g), 0);
    EXPECT_EQ(count_cells(g, CELL_TRAIL), 1);
}

TEST(VoltriderBombs, ABlastNearAnEdgeWrapsToTheOppositeSide) {
    // The area runs from 4 rows above to 3 below and from 7 columns left to 8 right.
    struct cell {
        int r, c;
    };
    struct row {
        int bomb_r, bomb_c;
        cell inside[4];
        cell outside[4];
    } cases[] = {
        {0, 0, {{13, 68}, {16, 74}, {3, 8}, {13, 8}}, {{12, 0}, {4, 0}, {0, 67}, {0, 9}}},
        {16, 74, {{12, 67}, {0, 74}, {2, 7}, {12, 7}}, {{11, 74}, {3, 74}, {16, 66}, {16, 8}}},
        {2, 40, {{15, 33}, {16, 48}, {5, 40}, {0, 40}}, {{6, 40}, {14, 40}, {2, 32}, {2, 49}}},
    };
    for (const row& c : cases) {
        game g = empty_game();
        explode(g, c.bomb_r, c.bomb_c);
        EXPECT_EQ(count_countdowns(g), 8 * 16) << c.bomb_r << "," << c.bomb_c;
        for (cell in : c.inside) EXPECT_LT(g.cell(in.r, in.c), 0) << in.r << "," << in.c;
        for (cell out : c.outside) EXPECT_EQ(g.cell(out.r, out.c), CELL_EMPTY) << out.r << "," << out.c;
    }
}

TEST(VoltriderBombs, TheVehicleSurvivesItsOwnBombAndItsAreaEndsEmpty) {
    game g = empty_game();
    for (int c = 30; c < 45; ++c) g.cell(7, c) = CELL_TRAIL;
    g.cell(6, 36) = CELL_STOP;
    g.under_vehicle() = CELL_BOMB;
    EXPECT_EQ(take_pickup(g), pickup::bomb);
    EXPECT_FALSE(check_trail(g));
    for (int i = 0; i < 10; ++i) advance_countdowns(g);
    for (int8_t c : g.arena) EXPECT_EQ(c, CELL_EMPTY);
    EXPECT_FALSE(tick(g));
}

TEST(VoltriderPowerUps, CountersAddUpAndRunDownOneAtATimeInOrder) {
    game g = empty_game();
    g.flight = 10;
    g.under_vehicle() = CELL_FLIGHT;
    take_pickup(g);
    EXPECT_EQ(g.flight, 26);

    g = empty_game();
    g.immunity = 2;
    g.flight = 2;
    g.no_trail = 1;
    struct counters {
        int immunity, flight, no_trail;
    } expected[] = {{1, 2, 1}, {0, 2, 1}, {0, 1, 1}, {0, 0, 1}, {0, 0, 0}, {0, 0, 0}};
    for (const counters& e : expected) {
        wear_power_ups(g);
        EXPECT_EQ(g.immunity, e.immunity);
        EXPECT_EQ(g.flight, e.flight);
        EXPECT_EQ(g.no_trail, e.no_trail);
    }
}

TEST(VoltriderPowerUps, TheVehicleLooksLikeThePowerUpThatMatters) {
    struct row {
        int immunity, flight, no_trail;
        vehicle_look want;
    } cases[] = {
        {3, 3, 3, vehicle_look::immune},  {0, 3, 3, vehicle_look::flying}, {0, 0, 3, vehicle_look::no_trail},
        {0, 0, 0, vehicle_look::plain},
    };
    for (const row& c : cases) {
        game g = empty_game();
        g.immunity = c.immunity;
        g.flight = c.flight;
        g.no_trail = c.no_trail;
        EXPECT_EQ(look_of_vehicle(g), c.want);
        // Trail is laid only when all three have run out.
        step_vehicle(g);
        EXPECT_EQ(count_cells(g, CELL_TRAIL), c.want == vehicle_look::plain ? 1 : 0);
    }
}

TEST(VoltriderPlacing, ItemsNeverLandOnTheVehicleOrOnTrail) {
    srandom(11);
    game g = empty_game();
    // Trail everywhere but one row and a few cells of another.
    for (int r = 0; r < g.arena_rows; ++r)
        for (int c = 0; c < g.arena_cols; ++c)
            if (r != 2 && !(r == g.vehicle_row && c < 5)) g.cell(r, c) = CELL_TRAIL;
    g.vehicle_col = 2;
    g.under_vehicle() = CELL_EMPTY;
    const int trail = count_cells(g, CELL_TRAIL);
    EXPECT_EQ(place_items(g, 1000), 1000);
    EXPECT_EQ(count_cells(g, CELL_TRAIL), trail);
    EXPECT_EQ(g.under_vehicle(), CELL_EMPTY);
    for (int c = 0; c < g.arena_cols; ++c) EXPECT_TRUE(is_item(g.cell(2, c))) << c;
}

TEST(VoltriderPlacing, ItemsGiveUpWhenNoCellIsLeft) {
    game g = empty_game(10, 40);
    g.arena.assign(g.arena.size(), CELL_TRAIL);
    g.under_vehicle() = CELL_EMPTY;
    EXPECT_EQ(place_items(g, 5), 0);
    EXPECT_EQ(g.under_vehicle(), CELL_EMPTY);
    EXPECT_EQ(place_items(g, 0), 0);
    EXPECT_EQ(place_items(g, -3), 0);
}

TEST(VoltriderPlacing, ItemKindsComeInTheirShares) {
    srandom(5);
    game g = empty_game();
    const int draws = 20000;
    int seen[CELL_TRAIL + 1] = {};
    for (int i = 0; i < draws; ++i) {
        std::fill(g.arena.begin(), g.arena.end(), CELL_EMPTY);
        place_items(g, 1);
        for (int8_t c : g.arena)
            if (c != CELL_EMPTY) seen[c] += 1;
    }
    struct row {
        int8_t kind;
        double share;
    } shares[] = {{CELL_IMMUNITY, 0.025}, {CELL_BONUS, 0.049}, {CELL_BOMB, 0.093},
                  {CELL_NOTRAIL, 0.083},  {CELL_FLIGHT, 0.188}, {CELL_STOP, 0.563}};
    for (const row& s : shares) EXPECT_NEAR(seen[s.kind] / double(draws), s.share, 0.012) << int(s.kind);
}

TEST(VoltriderPlacing, TrailBlocksStayOutOfTheBoxAroundTheVehicleButNotAcrossAnEdge) {
    srandom(13);
    game g = empty_game();
    g.vehicle_row = 0;
    g.vehicle_col = 0;
    place_trail_blocks(g, 30000);
    for (int r = 0; r < g.arena_rows; ++r)
        for (int c = 0; c < g.arena_cols; ++c) {
            bool in_box = r < 5 && c < 10;
            EXPECT_EQ(g.cell(r, c) == CELL_TRAIL, !in_box) << r << "," << c;
        }
    // Right beside the vehicle, across the wrapped edges.
    EXPECT_EQ(g.cell(16, 0), CELL_TRAIL);
    EXPECT_EQ(g.cell(0, 74), CELL_TRAIL);
}

TEST(VoltriderScore, EveryHundredthTickBringsItemsAndTrailBlocks) {
    srandom(17);
    game g = empty_game();
    g.score = 98;
    count_tick(g);
    EXPECT_EQ(g.score, 99);
    EXPECT_EQ(count_cells(g, CELL_EMPTY), int(g.arena.size()));
    count_tick(g);
    EXPECT_EQ(g.score, 100);
    int items = 0;
    for (int8_t c : g.arena) items += is_item(c);
    EXPECT_GE(items, 1);
    EXPECT_LE(items, 5);
    EXPECT_GE(count_cells(g, CELL_TRAIL), 15);
    EXPECT_LE(count_cells(g, CELL_TRAIL), 20);
}

TEST(VoltriderTick, TheScreensComeInTheirPlacesAndTheStopsKeyStandsForTheTicks) {
    const key_meaning none{}, quit{key_action::quit}, up{key_action::steer, DIR_UP};
    struct row {
        const char* name;
        int8_t under;        // the cell under the vehicle as the tick starts
        key_meaning key;     // the meaning of the tick's key
        key_meaning at_stop; // the meaning of the key that ends a stop
        tick_end end;
        // Each with the game as it stood then; "start" is the cell the vehicle started from.
        std::vector<std::string> calls;
        std::string after;
    } cases[] = {
        {"no key: the pace comes after steering, before the step", CELL_EMPTY, none, none, tick_end::going,
         {"pace: phase 1 at 8,37 score 0 start 0"}, "phase 1 at 8,36 score 1 start 11"},
        {"a help page comes before steering", CELL_EMPTY, {key_action::controls_help}, none, tick_end::going,
         {"controls_help: phase 0 at 8,37 score 0 start 0", "pace: phase 1 at 8,37 score 0 start 0"},
         "phase 1 at 8,36 score 1 start 11"},
        {"the other help page too", CELL_EMPTY, {key_action::gameplay_help}, none, tick_end::going,
         {"gameplay_help: phase 0 at 8,37 score 0 start 0", "pace: phase 1 at 8,37 score 0 start 0"},
         "phase 1 at 8,36 score 1 start 11"},
        {"the end of flashing comes after steering", CELL_EMPTY, {key_action::stop_flashing}, none, tick_end::going,
         {"stop_flashing: phase 1 at 8,37 score 0 start 0", "pace: phase 1 at 8,37 score 0 start 0"},
         "phase 1 at 8,36 score 1 start 11"},
        {"quit steers, then ends the tick before the pace", CELL_EMPTY, quit, none, tick_end::quit, {},
         "phase 1 at 8,37 score 0 start 0"},
        {"a bomb's frames come after the blast, before the trail check", CELL_BOMB, none, none, tick_end::going,
         {"explosion: phase 0 at 8,37 score 0 start -10", "pace: phase 1 at 8,37 score 0 start -10"},
         "phase 1 at 8,36 score 1 start 11"},
        {"a stop's key replaces a quit", CELL_STOP, quit, up, tick_end::going,
         {"stop: phase 0 at 8,37 score 0 start 0", "pace: phase 1 at 8,37 score 0 start 0"},
         "phase 1 at 7,37 score 1 start 11"},
        {"a stop's quit replaces a turn", CELL_STOP, up, quit, tick_end::quit,
         {"stop: phase 0 at 8,37 score 0 start 0"}, "phase 1 at 8,37 score 0 start 0"},
        {"a crash ends the tick before any screen or steering", CELL_TRAIL, {key_action::controls_help}, none,
         tick_end::crashed, {}, "phase 0 at 8,37 score 0 start 11"},
    };
    for (const row& c : cases) {
        game g = empty_game();
        g.under_vehicle() = c.under;
        auto state = [&] {
            return "phase " + std::to_string(g.vertical_phase) + " at " + std::to_string(g.vehicle_row) + "," +
                   std::to_string(g.vehicle_col) + " score " + std::to_string(g.score) + " start " +
                   std::to_string(g.cell(8, 37));
        };
        std::vector<std::string> calls;
        const tick_screens screens{
            .explosion = [&] { calls.push_back("explosion: " + state()); },
            .stop =
                [&] {
                    calls.push_back("stop: " + state());
                    return c.at_stop;
                },
            .screen_key =
                [&](key_action a) {
                    const char* name = a == key_action::controls_help   ? "controls_help"
                                       : a == key_action::gameplay_help ? "gameplay_help"
                                       : a == key_action::stop_flashing ? "stop_flashing"
                                                                        : "other";
                    calls.push_back(std::string(name) + ": " + state());
                },
            .pace = [&] { calls.push_back("pace: " + state()); },
        };
        EXPECT_EQ(play_tick(g, c.key, screens), c.end) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
        EXPECT_EQ(state(), c.after) << c.name;
    }
}
