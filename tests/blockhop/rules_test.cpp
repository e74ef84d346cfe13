// The walk, the hop and the combo, without a terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "rules.h"

using namespace blockhop;

namespace {

bool on_outline(int row, int col) {
    return row == 0 || row == square_last_row || col == 0 || col == square_last_col;
}

world at(int row, int col, int top0 = 5, int top1 = 5) {
    world w;
    w.player_row = row;
    w.player_col = col;
    w.square_top[0] = top0;
    w.square_top[1] = top1;
    return w;
}

// Flies a hop to its end the way the game does, counting frames so a stuck hop fails instead of hanging.
hop_state fly(world& w, flight* out = nullptr) {
    flight f = start_hop(w);
    for (int frame = 0; frame < 1000; ++frame) {
        hop_state s = hop_frame(w, f);
        if (s != hop_state::flying) {
            if (out) *out = f;
            return s;
        }
    }
    ADD_FAILURE() << "hop never ended";
    return hop_state::flying;
}

}  // namespace

TEST(BlockhopWalk, StepsClockwiseFromEveryKindOfPlace) {
    struct {
        int row, col, to_row, to_col;
    } cases[] = {
        {0, 0, 0, 1},     // top-left corner goes right
        {0, 5, 0, 6},     {0, 23, 0, 24},
        {0, 24, 1, 24},   // top-right corner goes down
        {6, 24, 7, 24},   {11, 24, 12, 24},
        {12, 24, 12, 23},  // bottom-right corner goes left
        {12, 1, 12, 0},
        {12, 0, 11, 0},   // bottom-left corner goes up
        {1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        world w = at(c.row, c.col);
        w.combo = 4;
        walk_step(w);
        EXPECT_EQ(std::make_pair(w.player_row, w.player_col), std::make_pair(c.to_row, c.to_col))
            << "from " << c.row << "," << c.col;
        EXPECT_EQ(w.combo, c.row == 12 && c.col == 24 ? 1 : 4) << "from " << c.row << "," << c.col;
    }
}

TEST(BlockhopWalk, ALapIs72StepsOverEveryOutlineCellAndDropsTheComboOnceAtTheCorner) {
    world w;
    w.combo = 7;
    std::set<std::pair<int, int>> seen;
    std::vector<int> combo_drops;
    for (int step = 1; step <= 72; ++step) {
        walk_step(w);
        ASSERT_TRUE(on_outline(w.player_row, w.player_col)) << "step " << step;
        seen.insert({w.player_row, w.player_col});
        if (w.combo == 1) {
            combo_drops.push_back(step);
            w.combo = 7;
        }
    }
    EXPECT_EQ(seen.size(), 72u);
    EXPECT_EQ(std::make_pair(w.player_row, w.player_col), std::make_pair(0, 0));
    // 24 steps along the top, 12 down: the step leaving the bottom-right corner is the 37th.
    EXPECT_EQ(combo_drops, std::vector<int>{37});
}

TEST(BlockhopGame, NewGameResetsEverythingButTheCombo) {
    world w = at(12, 3, 9, 11);
    w.square_left[0] = -4;
    w.score = 505;
    w.combo = 4;
    new_game(w);
    world fresh;
    EXPECT_EQ(w.player_row, 0);
    EXPECT_EQ(w.player_col, 0);
    EXPECT_EQ(w.score, 0);
    EXPECT_EQ(w.combo, 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.square_top[i], fresh.square_top[i]);
        EXPECT_EQ(w.square_left[i], fresh.square_left[i]);
    }
}

TEST(BlockhopHop, FromTheMiddleOfTheRightSideAlwaysLandsOnTheLeftSide) {
    srandom(1);
    for (int top0 = 5; top0 <= 11; ++top0) {
        for (int top1 = 5; top1 <= 11; ++top1) {
            world w = at(6, 24, top0, top1);
            w.combo = 3;
            ASSERT_EQ(fly(w), hop_state::landed) << top0 << " to " << top1;
            const bool edge_line = top0 - top1 == 6 || top1 - top0 == 6;
            EXPECT_EQ(w.score, edge_line ? 303 : 3) << top0 << " to " << top1;
            EXPECT_EQ(w.player_col, 0);
            EXPECT_EQ(w.player_row, top0 + 6 - top1);
            EXPECT_EQ(w.combo, 4);
        }
    }
}

TEST(BlockhopHop, SlopedHopsFromTheRightSideLandWhereTheSlopeTakesThem) {
    // 88 frames of half a column take the marker from column 24 to 68, while
    // it climbs or sinks (row offset - 6) / 24 rows a frame.
    struct {
        int row, top0, top1;
        bool lands;
        int landing_row;  // offset on the target
    } cases[] = {
        {4, 11, 5, true, 3},    // 15 - 7.33 = 7.67
        {4, 9, 5, true, 1},     // 13 - 7.33 = 5.67
        {4, 8, 5, false, 0},    // passes above the target
        {4, 5, 5, false, 0},
        {0, 5, 5, false, 0},    // leaves the top of the screen after 16 frames
        {8, 5, 11, true, 9},    // 13 + 7.33 = 20.33
        {8, 11, 5, false, 0},   // leaves the bottom of the screen
        {7, 5, 11, true, 5},    // 12 + 3.67 = 15.67
        {7, 11, 5, false, 0},   // passes below the target
        {5, 5, 11, false, 0},
        {6, 5, 11, true, 0},    // level, onto the top-left corner
        {6, 11, 5, true, 12},   // level, onto the bottom-left corner
    };
    for (const auto& c : cases) {
        world w = at(c.row, 24, c.top0, c.top1);
        const hop_state end = fly(w);
        EXPECT_EQ(end, c.lands ? hop_state::landed : hop_state::missed)
            << c.row << " tops " << c.top0 << "," << c.top1;
        if (c.lands) {
            EXPECT_EQ(w.player_row, c.landing_row) << c.row << " tops " << c.top0 << "," << c.top1;
        }
    }
}

TEST(BlockhopHop, LeftwardAndStraightHopsAlwaysMissAndDropTheCombo) {
    // Every outline place whose column offset is 12 or less: the left side,
    // the left halves of the top and bottom edges and their middles.
    for (int top1 = 5; top1 <= 11; ++top1) {
        for (int row = 0; row <= 12; ++row) {
            for (int col = 0; col <= 12; ++col) {
                if (!on_outline(row, col)) continue;
                world w = at(row, col, 8, top1);
                w.combo = 5;
                w.score = 42;
                EXPECT_EQ(fly(w), hop_state::missed) << row << "," << col << " to top " << top1;
                EXPECT_EQ(w.combo, 1);
                EXPECT_EQ(w.score, 42);
            }
        }
    }
}

TEST(BlockhopHop, EveryLandingPutsTheMarkerOnTheOutlineAndShiftsTheSquares) {
    // All places, all pairs of top rows: a landing keeps the row it arrived
    // at, with column 0 through the left side; on the top edge line it is
    // row 0, on the bottom one row 12, and only edge lines pay 101 times.
    srandom(7);
    int top_edge = 0, bottom_edge = 0, between = 0;
    std::set<int> new_tops;
    for (int top0 = 5; top0 <= 11; ++top0) {
        for (int top1 = 5; top1 <= 11; ++top1) {
            for (int row = 0; row <= 12; ++row) {
                for (int col = 0; col <= 24; ++col) {
                    if (!on_outline(row, col)) continue;
                    world w = at(row, col, top0, top1);
                    w.square_top[2] = 9;
                    w.combo = 2;
                    const int start_y = top0 + row;
                    if (fly(w) != hop_state::landed) continue;
                    const std::string where = std::to_string(row) + "," + std::to_string(col) + " tops " +
                                              std::to_string(top0) + "," + std::to_string(top1);
                    ASSERT_TRUE(on_outline(w.player_row, w.player_col)) << where;
                    ASSERT_GE(w.player_row, 0);
                    ASSERT_LE(w.player_row, 12);
                    // Only hops to the right reach the target, and they enter through its left side.
                    EXPECT_EQ(w.player_col, 0) << where;
                    EXPECT_EQ(col, 24) << where;
                    const bool edge_line = w.player_row == 0 || w.player_row == 12;
                    EXPECT_EQ(w.score, edge_line ? 202 : 2) << where;
                    top_edge += w.player_row == 0;
                    bottom_edge += w.player_row == 12;
                    between += !edge_line;
                    // Level flights arrive on their own row.
                    if (row == 6) {
                        EXPECT_EQ(w.square_top[0] + w.player_row, start_y) << where;
                    }

                    // The view followed the marker, so the target became square 0 at column 0.
                    EXPECT_EQ(w.square_left[0], 0) << where;
                    EXPECT_EQ(w.square_top[0], top1);
                    EXPECT_EQ(w.square_top[1], 9);
                    const int gap = w.square_left[1] - w.square_left[0];
                    EXPECT_TRUE(gap == 67 || gap == 68) << where << ": gap " << gap;
                    EXPECT_EQ(w.square_left[2], w.square_left[1] + 68);
                    EXPECT_GE(w.square_top[2], 5);
                    EXPECT_LE(w.square_top[2], 11);
                    new_tops.insert(w.square_top[2]);
                }
            }
        }
    }
    EXPECT_GT(top_edge, 0);
    EXPECT_GT(bottom_edge, 0);
    EXPECT_GT(between, 0);
    EXPECT_EQ(new_tops, (std::set<int>{5, 6, 7, 8, 9, 10, 11}));
}

TEST(BlockhopHop, TheTruncatedScrollPlacesTheNextSquare67Or68ColumnsOn) {
    // A flight about to cross the target's left edge with the view following;
    // where it crosses decides how the truncation of the two sums falls.
    struct {
        float px;  // before the last frame, which adds half a column
        int left0, left1;
    } cases[] = {
        {67.5f, 0, 68},   // lands on 68.0 exactly: scroll -68
        {67.9f, 0, 67},   // lands on 68.4: 136 - 68.4 truncates to 67
        {67.6f, 0, 67},
    };
    for (const auto& c : cases) {
        srandom(5);
        world w;
        flight f;
        f.px = c.px;
        f.py = 11;
        f.dx = 0.5f;
        f.s = -c.px;
        f.follow = true;
        ASSERT_EQ(hop_frame(w, f), hop_state::landed) << c.px;
        EXPECT_EQ(w.square_left[0], c.left0) << c.px;
        EXPECT_EQ(w.square_left[1], c.left1) << c.px;
        EXPECT_EQ(w.square_left[2], c.left1 + 68) << c.px;
        EXPECT_EQ(w.player_col, 0) << c.px;
        EXPECT_EQ(w.player_row, 6) << c.px;
    }
}

TEST(BlockhopHop, ThreeLandingsInARowScoreByTheGrowingCombo) {
    struct {
        int top_difference;
        int64_t scores[3];
    } cases[] = {
        {0, {1, 3, 6}},        // 1, 2, 3
        {6, {101, 303, 606}},  // 101, 202, 303 on edge lines
    };
    for (const auto& c : cases) {
        srandom(3);
        world w;
        for (int i = 0; i < 3; ++i) {
            w.player_row = 6;
            w.player_col = 24;
            w.square_top[0] = 5;
            w.square_top[1] = 5 + c.top_difference;
            ASSERT_EQ(fly(w), hop_state::landed);
            EXPECT_EQ(w.score, c.scores[i]) << "landing " << i + 1 << ", tops " << c.top_difference << " apart";
        }
        EXPECT_EQ(w.combo, 4);
    }
}

TEST(BlockhopHop, TheViewScrollsTheMarkerLeftThenHoldsItAtTheEdge) {
    world w = at(6, 24);
    flight f = start_hop(w);
    int previous = marker_screen_col(f);
    EXPECT_EQ(previous, 24);
    EXPECT_EQ(scroll_columns(f), 0);
    bool followed = false;
    while (hop_frame(w, f) == hop_state::flying) {
        const int col = marker_screen_col(f);
        EXPECT_LE(col, previous);
        EXPECT_EQ(marker_screen_row(f), 11);
        if (followed) {
            EXPECT_EQ(col, 0);
        }
        followed = f.follow;
        previous = col;
    }
    EXPECT_TRUE(followed);
}
