// The pairs board without a terminal: the deal, turning tiles, the solved
// test, the cursor's edges, mouse positions and the time line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "rules.h"

using namespace glyphpair;

namespace {

// Colour bits that cannot be mistaken for a glyph, one per colour slot.
const tile_value test_colours[colour_count] = {0x100, 0x200, 0x300, 0x400, 0x500, 0x600};

TEST(GlyphpairDeal, EveryGlyphOccursExactlyTwiceWithItsColour) {
    for (unsigned seed : {1u, 42u, 20261210u}) {
        srandom(seed);
        board b;
        deal_tiles(b, test_colours);
        std::map<tile_value, int> count;
        for (const auto& row : b.tiles)
            for (tile_value v : row) ++count[v];
        ASSERT_EQ(count.size(), 64u) << "seed " << seed;
        for (int a = 0; a < pair_count; ++a) {
            const tile_value expected = static_cast<unsigned char>(glyph_of_pair(a)) | test_colours[a % 6];
            EXPECT_EQ(count[expected], 2) << "pair " << a << " seed " << seed;
        }
    }
}

TEST(GlyphpairDeal, ShufflesAndRepeatsForTheSameSeed) {
    board first, again;
    srandom(7);
    deal_tiles(first, test_colours);
    srandom(7);
    deal_tiles(again, test_colours);
    int moved = 0;
    for (int p = 0; p < 128; ++p) {
        EXPECT_EQ(first.tiles[p / 16][p % 16], again.tiles[p / 16][p % 16]);
        const tile_value in_order = static_cast<unsigned char>(glyph_of_pair(p / 2)) | test_colours[p / 2 % 6];
        if (first.tiles[p / 16][p % 16] != in_order) ++moved;
    }
    EXPECT_GT(moved, 64);
}

TEST(GlyphpairGlyphs, SixtyFourDistinctGlyphsInTheirOrder) {
    const std::vector<std::pair<int, char>> marks = {{0, '1'},  {8, '9'},  {9, 'a'},  {34, 'z'},
                                                     {35, 'A'}, {50, 'P'}, {51, '!'}, {63, '-'}};
    for (auto [a, glyph] : marks) EXPECT_EQ(glyph_of_pair(a), glyph) << "pair " << a;
    std::set<char> glyphs;
    for (int a = 0; a < pair_count; ++a) glyphs.insert(glyph_of_pair(a));
    EXPECT_EQ(glyphs.size(), 64u);
}

// A board whose tiles are all different except the twins named here.
board board_with_twins() {
    board b;
    tile_value v = 1000;
    for (auto& row : b.tiles)
        for (tile_value& t : row) t = v++;
    b.tiles[0][1] = b.tiles[0][0];  // pair A
    b.tiles[2][5] = b.tiles[1][0];  // pair B
    return b;
}

TEST(GlyphpairReveal, TurnsFollowTheMatchingRule) {
    struct turn_case {
        const char* what;
        std::vector<tile_pos> turns;
        tile_pos open;
        std::vector<tile_pos> revealed;
    };
    const tile_pos a1{0, 0}, a2{0, 1}, b1{1, 0}, b2{2, 5};
    const std::vector<turn_case> cases = {
        {"first tile becomes the open tile", {a1}, a1, {}},
        {"turning the open tile again changes nothing", {a1, a1}, a1, {}},
        {"a non-twin takes over as the open tile", {a1, b1}, b1, {}},
        {"a non-twin, then the first tile's twin, wins nothing", {a1, b1, a2}, a2, {}},
        {"the twin right after its partner wins the pair", {a1, a2}, a1, {a1, a2}},
        {"the winner stays open until a different tile is turned", {a1, a2, b1}, b1, {a1, a2}},
        {"a second pair after the first", {a1, a2, b2, b1}, b2, {a1, a2, b1, b2}},
        {"a won tile and its twin turned again change nothing", {a1, a2, b1, a2, a1}, a2, {a1, a2}},
        {"a won tile then a new tile's twin wins nothing", {a1, a2, a1, b2}, b2, {a1, a2}},
    };
    for (const auto& c : cases) {
        board b = board_with_twins();
        for (tile_pos t : c.turns) {
            b.cursor = t;
            reveal_tile(b);
        }
        EXPECT_EQ(b.open_tile, c.open) << c.what;
        int won = 0;
        for (const auto& row : b.revealed)
            for (uint8_t flag : row) won += flag;
        EXPECT_EQ(won, static_cast<int>(c.revealed.size())) << c.what;
        for (tile_pos t : c.revealed) EXPECT_EQ(b.revealed[t.row][t.col], 1) << c.what;
        for (tile_pos t : {a1, a2, b1, b2}) {
            const bool won_tile = b.revealed[t.row][t.col] == 1;
            EXPECT_EQ(face_up(b, t.row, t.col), won_tile || t == c.open) << c.what;
        }
    }
}

TEST(GlyphpairReveal, TurningEveryTileBesideItsTwinSolvesTheBoard) {
    srandom(3);
    board b;
    deal_tiles(b, test_colours);
    EXPECT_FALSE(all_matched(b));
    std::map<tile_value, std::vector<tile_pos>> where;
    for (int8_t r = 0; r < board_rows; ++r)
        for (int8_t c = 0; c < board_cols; ++c) where[b.tiles[r][c]].push_back({r, c});
    int pairs_left = pair_count;
    for (const auto& [value, twins] : where) {
        EXPECT_FALSE(all_matched(b)) << pairs_left << " pairs left";
        for (tile_pos t : twins) {
            b.cursor = t;
            reveal_tile(b);
        }
        --pairs_left;
    }
    EXPECT_TRUE(all_matched(b));

    clear_board(b);
    EXPECT_FALSE(all_matched(b));
    EXPECT_EQ(b.open_tile, no_tile);
    EXPECT_EQ(b.cursor, (tile_pos{0, 0}));
}

TEST(GlyphpairCursor, StaysInsideTheGrid) {
    struct move_case {
        tile_pos from;
        direction d;
        tile_pos to;
    };
    const std::vector<move_case> cases = {
        {{0, 0}, DIR_UP, {0, 0}},     {{0, 0}, DIR_LEFT, {0, 0}},   {{7, 15}, DIR_DOWN, {7, 15}},
        {{7, 15}, DIR_RIGHT, {7, 15}}, {{0, 15}, DIR_RIGHT, {0, 15}}, {{7, 0}, DIR_DOWN, {7, 0}},
        {{3, 3}, DIR_UP, {2, 3}},     {{3, 3}, DIR_DOWN, {4, 3}},   {{3, 3}, DIR_LEFT, {3, 2}},
        {{3, 3}, DIR_RIGHT, {3, 4}},  {{6, 14}, DIR_DOWN, {7, 14}}, {{6, 14}, DIR_RIGHT, {6, 15}},
    };
    for (const auto& c : cases) {
        board b;
        b.cursor = c.from;
        move_cursor(b, c.d);
        EXPECT_EQ(b.cursor, c.to) << int(c.from.row) << "," << int(c.from.col) << " dir " << c.d;
    }
}

TEST(GlyphpairMouse, ScreenCellsMapOntoTilesOnlyOnTheGrid) {
    struct cell_case {
        int y, x;
        tile_pos tile;
    };
    const std::vector<cell_case> cases = {
        {4, 1, {0, 0}},   {4, 16, {0, 15}}, {11, 1, {7, 0}},  {11, 16, {7, 15}}, {7, 8, {3, 7}},
        {0, 3, no_tile},  {2, 10, no_tile}, // the banner
        {3, 0, no_tile},  {3, 5, no_tile},  {12, 5, no_tile}, {7, 0, no_tile},   {7, 17, no_tile},  // the box
        {13, 0, no_tile}, {15, 5, no_tile}, {23, 79, no_tile},  // below it
        {5, 18, no_tile}, {-1, -1, no_tile},
    };
    for (const auto& c : cases) EXPECT_EQ(tile_at(c.y, c.x), c.tile) << "cell " << c.y << "," << c.x;
}

TEST(GlyphpairMouse, OnlyAButtonOneClickOnTheGridTurnsATile) {
    struct event_case {
        int y, x;
        bool clicked;
        tile_pos cursor;
        bool turns;
    };
    const std::vector<event_case> cases = {
        {7, 8, true, {3, 7}, true},     // click on a tile: move and turn
        {7, 8, false, {3, 7}, false},   // press, release, other buttons: move only
        {11, 16, true, {7, 15}, true},  // the last tile
        {1, 4, true, {2, 2}, false},    // the banner
        {12, 8, true, {2, 2}, false},   // the box
        {14, 8, false, {2, 2}, false},  // below
    };
    for (const auto& c : cases) {
        board b;
        b.cursor = {2, 2};
        EXPECT_EQ(point_at(b, c.y, c.x, c.clicked), c.turns) << "cell " << c.y << "," << c.x;
        EXPECT_EQ(b.cursor, c.cursor) << "cell " << c.y << "," << c.x;
        EXPECT_EQ(b.open_tile, no_tile) << "the mouse itself never turns a tile";
    }
}

// Screen cells of the tiles the click cases use, and of places off the grid.
constexpr int a1_y = 4, a1_x = 1;  // tile (0, 0)
constexpr int a2_y = 4, a2_x = 2;  // tile (0, 1), the twin of (0, 0) on board_with_twins
constexpr int far_y = 9, far_x = 12;  // tile (5, 11)

mouse_report press(int y, int x) { return {y, x, button1::pressed}; }
mouse_report release(int y, int x) { return {y, x, button1::released}; }

TEST(GlyphpairClicks, EveryClickCountsAndALonePressOrReleaseOnlyPoints) {
    const order point_a1{command::point, a1_y, a1_x}, click_a1{command::click, a1_y, a1_x};
    const order point_a2{command::point, a2_y, a2_x}, click_a2{command::click, a2_y, a2_x};
    const order point_far{command::point, far_y, far_x}, nothing{};
    struct click_case {
        const char* what;
        std::vector<mouse_report> reports;
        std::vector<order> orders;
    };
    const std::vector<click_case> cases = {
        {"a press then its release on the same tile", {press(a1_y, a1_x), release(a1_y, a1_x)}, {point_a1, click_a1}},
        {"two clicks on two tiles, one right after the other",
         {press(a1_y, a1_x), release(a1_y, a1_x), press(a2_y, a2_x), release(a2_y, a2_x)},
         {point_a1, click_a1, point_a2, click_a2}},
        {"a double click",
         {press(a1_y, a1_x), release(a1_y, a1_x), press(a1_y, a1_x), release(a1_y, a1_x)},
         {point_a1, click_a1, point_a1, click_a1}},
        {"a lone press", {press(a1_y, a1_x)}, {point_a1}},
        {"a lone release", {release(a1_y, a1_x)}, {point_a1}},
        {"a release after a click is a lone release",
         {press(a1_y, a1_x), release(a1_y, a1_x), release(a1_y, a1_x)},
         {point_a1, click_a1, point_a1}},
        {"pressed on one tile, released on another", {press(a1_y, a1_x), release(a2_y, a2_x)}, {point_a1, point_a2}},
        {"pressed off the grid, released on it", {press(2, 1), release(a1_y, a1_x)}, {nothing, point_a1}},
        {"pressed on the grid, released off it, then a stray release",
         {press(a1_y, a1_x), release(12, 1), release(a1_y, a1_x)},
         {point_a1, nothing, point_a1}},
        {"a second press takes over from the first",
         {press(a1_y, a1_x), press(a2_y, a2_x), release(a2_y, a2_x), release(a1_y, a1_x)},
         {point_a1, point_a2, click_a2, point_a1}},
        {"another button or the wheel between press and release",
         {press(a1_y, a1_x), {far_y, far_x, button1::other}, release(a1_y, a1_x)},
         {point_a1, point_far, click_a1}},
        {"a click curses told itself, a double or triple one too",
         {{a1_y, a1_x, button1::clicked}, {a2_y, a2_x, button1::clicked}},
         {click_a1, click_a2}},
        {"a click curses told itself ends a press before it",
         {press(a1_y, a1_x), {a2_y, a2_x, button1::clicked}, release(a1_y, a1_x)},
         {point_a1, click_a2, point_a1}},
        {"clicks off the grid", {{1, 4, button1::clicked}, press(14, 8), release(14, 8)}, {nothing, nothing, nothing}},
    };
    for (const auto& c : cases) {
        click_tracker clicks;
        std::vector<order> orders;
        for (const auto& r : c.reports) orders.push_back(order_of_mouse(clicks, r));
        ASSERT_EQ(orders.size(), c.orders.size()) << c.what;
        for (size_t i = 0; i < orders.size(); ++i) {
            EXPECT_EQ(orders[i], c.orders[i]) << c.what << ", report " << i;
        }
    }
}

TEST(GlyphpairClicks, QuickClicksOnTwinsWinThePairAndADoubleClickTurnsATile) {
    struct board_case {
        const char* what;
        std::vector<mouse_report> reports;
        tile_pos cursor, open;
        int won;
    };
    const std::vector<board_case> cases = {
        {"a click on each twin", {press(a1_y, a1_x), release(a1_y, a1_x), press(a2_y, a2_x), release(a2_y, a2_x)},
         {0, 1}, {0, 0}, 2},
        {"a double click on a face-down tile",
         {press(far_y, far_x), release(far_y, far_x), press(far_y, far_x), release(far_y, far_x)},
         {5, 11}, {5, 11}, 0},
        {"a triple click on a face-down tile",
         {press(far_y, far_x), release(far_y, far_x), press(far_y, far_x), release(far_y, far_x),
          press(far_y, far_x), release(far_y, far_x)},
         {5, 11}, {5, 11}, 0},
        {"a lone press and a lone release move the cursor only", {press(a1_y, a1_x), release(far_y, far_x)},
         {5, 11}, no_tile, 0},
    };
    for (const auto& c : cases) {
        board b = board_with_twins();
        click_tracker clicks;
        for (const auto& r : c.reports) play_order(b, order_of_mouse(clicks, r));
        EXPECT_EQ(b.cursor, c.cursor) << c.what;
        EXPECT_EQ(b.open_tile, c.open) << c.what;
        int won = 0;
        for (const auto& row : b.revealed)
            for (uint8_t flag : row) won += flag;
        EXPECT_EQ(won, c.won) << c.what;
    }
}

TEST(GlyphpairOrders, OnlyMovesAndTurnsChangeTheBoard) {
    struct order_case {
        order o;
        tile_pos cursor, open;
    };
    // From the cursor at (3, 3), nothing open.
    const std::vector<order_case> cases = {
        {{command::up}, {2, 3}, no_tile},           {{command::down}, {4, 3}, no_tile},
        {{command::left}, {3, 2}, no_tile},         {{command::right}, {3, 4}, no_tile},
        {{command::turn}, {3, 3}, {3, 3}},          {{command::point, 9, 12}, {5, 11}, no_tile},
        {{command::click, 9, 12}, {5, 11}, {5, 11}}, {{command::click, 13, 0}, {3, 3}, no_tile},
        {{command::controls_help}, {3, 3}, no_tile}, {{command::gameplay_help}, {3, 3}, no_tile},
        {{command::quit}, {3, 3}, no_tile},          {{command::none}, {3, 3}, no_tile},
    };
    for (const auto& c : cases) {
        board b = board_with_twins();
        b.cursor = {3, 3};
        play_order(b, c.o);
        EXPECT_EQ(b.cursor, c.cursor) << "command " << static_cast<int>(c.o.what);
        EXPECT_EQ(b.open_tile, c.open) << "command " << static_cast<int>(c.o.what);
    }
}

TEST(GlyphpairTime, HoursThenBlankPaddedMinutesAndSeconds) {
    const std::vector<std::pair<long, const char*>> cases = {
        {185, "Time spent: 0: 3: 5"},   {0, "Time spent: 0: 0: 0"},     {59, "Time spent: 0: 0:59"},
        {3599, "Time spent: 0:59:59"},  {3600, "Time spent: 1: 0: 0"},  {90061, "Time spent: 25: 1: 1"},
        {-5, "Time spent: 0: 0: 0"},
    };
    for (auto [elapsed, line] : cases) EXPECT_EQ(time_spent(elapsed), line) << elapsed << " s";
}

}  // namespace
