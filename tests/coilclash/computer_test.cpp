// The computer's moves: preference lists, walks, look-ahead, modes and the move itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "arena_fixture.h"
#include "computer.h"
#include "rules.h"

using namespace coilclash;

namespace {

constexpr int8_t U = DIR_UP, R = DIR_RIGHT, D = DIR_DOWN, L = DIR_LEFT;

TEST(CoilclashOrderToward, TowardDirectionsFirstAwayDirectionsLast) {
    struct row {
        position head;
        int8_t dir;
        position target;
        dir_list expected;
    };
    const row cases[] = {
        {{5, 5}, U, {2, 10}, {R, U, L, D}},
        {{5, 5}, U, {5, 5}, {L, U, R, D}},  // close diagonal, heading up: the turn comes first
        {{5, 5}, R, {5, 5}, {U, L, R, D}},
        {{5, 5}, D, {7, 7}, {R, D, L, U}},
        {{5, 5}, U, {9, 6}, {D, R, L, U}},     // mostly vertical
        {{5, 5}, U, {2, 2}, {U, L, R, D}},     // a diagonal three away: no swap
        {{5, 5}, L, {5, 1}, {L, U, R, D}},     // same row: vertical toward counts as up
        {{5, 5}, D, {8, 5}, {D, L, R, U}},     // same column: horizontal toward counts as left
    };
    for (const row& k : cases) {
        EXPECT_EQ(order_toward(k.head, k.dir, k.target), k.expected)
            << "from " << k.head.row << "," << k.head.col << " to " << k.target.row << "," << k.target.col;
    }
}

TEST(CoilclashSafeFirst, DangerousDirectionsMoveBehindSafeOnesKeepingBothOrders) {
    const snake s = make_snake(5, 5, U);
    dir_list all_safe = {D, L, U, R};
    safe_first(make_arena(10, 40), s, all_safe);
    EXPECT_EQ(all_safe, (dir_list{D, L, U, R}));

    // Two cells to the left taken: only left is dangerous.
    dir_list one = {U, L, R, D};
    safe_first(make_arena(10, 40, {{5, 3}}), s, one);
    EXPECT_EQ(one, (dir_list{U, R, D, L}));

    // Up runs into a body two cells ahead, left into one at once.
    dir_list two = {L, U, R, D};
    safe_first(make_arena(10, 40, {{3, 5}, {5, 4}}), s, two);
    EXPECT_EQ(two, (dir_list{R, D, L, U}));

    // One row from the top wall: up has only one free cell.
    dir_list wall = {U, R, D, L};
    safe_first(make_arena(10, 40), make_snake(1, 5, R), wall);
    EXPECT_EQ(wall, (dir_list{R, D, L, U}));
}

TEST(CoilclashProbe, AStraightWalkCountsTheFreeCellsAhead) {
    struct row {
        position start;
        int8_t dir;
        int expected;
    };
    const arena a = make_arena(10, 40, {{5, 10}});
    const row cases[] = {
        {{5, 36}, R, 3}, {{2, 0}, R, 39}, {{0, 0}, D, 9}, {{5, 5}, R, 4}, {{5, 11}, L, 0}, {{0, 7}, U, 0},
    };
    for (const row& k : cases) {
        int8_t turn_sign = 1;
        EXPECT_EQ(probe(a, turn_sign, k.start, k.dir, false), k.expected) << k.start.row << "," << k.start.col;
        EXPECT_EQ(turn_sign, 1);
    }
}

TEST(CoilclashProbe, RandomWalksFlipTheTurnSenseAndStopAtTheCap) {
    const arena a = make_arena(10, 40);
    const int cap = a.len + a.wid + 1;
    int8_t turn_sign = 1;
    int longest = 0;
    srandom(7);
    for (int i = 0; i < 3000; ++i) {
        const position start{i % 10, (i * 7) % 40};
        const int8_t before = turn_sign;
        const int length = probe(a, turn_sign, start, i % 4, true);
        EXPECT_EQ(turn_sign, -before);
        EXPECT_LE(length, cap);
        if (length > longest) longest = length;
    }
    EXPECT_EQ(longest, cap) << "some walk should have run into the cap";
}

TEST(CoilclashEvaluate, AClosedFirstCellScoresZeroWithoutAnyWalk) {
    const arena a = make_arena(10, 40, {{4, 5}});
    srandom(11);
    const long next_draw = random();
    srandom(11);
    int8_t turn_sign = 1;
    EXPECT_EQ(evaluate(a, turn_sign, {5, 5}, U), 0);
    EXPECT_EQ(evaluate(a, turn_sign, {0, 5}, U), 0);
    EXPECT_EQ(turn_sign, 1);
    EXPECT_EQ(random(), next_draw);
}

TEST(CoilclashEvaluate, AWalkReachingTheCapEndsTheLookAheadAtOnce) {
    // Find a seed whose first random walk from the first cell runs into the cap, then check that
    // evaluate answers the cap itself (no steps added) and draws nothing after that walk.
    const arena a = make_arena(10, 40);
    const int cap = a.len + a.wid + 1;
    const position start{5, 20};
    const position first = step(start, R);
    for (unsigned seed = 1; seed < 20000; ++seed) {
        srandom(seed);
        int8_t turn_sign = 1;
        probe(a, turn_sign, first, U, false);
        if (probe(a, turn_sign, first, U, true) != cap) continue;
        const long next_draw = random();
        srandom(seed);
        int8_t sign = 1;
        EXPECT_EQ(evaluate(a, sign, start, R), cap);
        EXPECT_EQ(sign, -1);
        EXPECT_EQ(random(), next_draw);
        return;
    }
    FAIL() << "no seed found whose walk reaches the cap";
}

TEST(CoilclashEvaluate, ScoresStayWithinTheLookAheadBound) {
    const arena a = make_arena(10, 40, {{3, 3}, {3, 4}, {3, 5}});
    srandom(5);
    int8_t turn_sign = 1;
    for (int i = 0; i < 200; ++i) {
        const int64_t score = evaluate(a, turn_sign, {i % 10, (i * 3) % 40}, i % 4);
        EXPECT_GE(score, 0);
        EXPECT_LE(score, a.len + a.wid + 5);
    }
}

TEST(CoilclashRankDirections, BestFirstWithClosedDirectionsLastInTheirOrder) {
    // Top-left corner heading right: up and left are off the board and score 0.
    srandom(2);
    int8_t turn_sign = 1;
    score_list scores{};
    dir_list list{};
    rank_directions(make_arena(10, 40), turn_sign, make_snake(0, 0, R), scores, list);
    EXPECT_EQ(list[2], U);
    EXPECT_EQ(list[3], L);
    EXPECT_EQ(scores[2], 0);
    EXPECT_EQ(scores[3], 0);
    EXPECT_GT(scores[1], 0);
    EXPECT_GE(scores[0], scores[1]);

    // A pocket open only downward.
    rank_directions(make_arena(10, 40, {{4, 5}, {5, 4}, {5, 6}}), turn_sign, make_snake(5, 5, U), scores, list);
    EXPECT_EQ(list, (dir_list{D, U, R, L}));
    EXPECT_GT(scores[0], 0);
}

TEST(CoilclashChooseMode, ModeFollowsRoomDistanceAndTheMirror) {
    struct row {
        int8_t stored;
        position me, other;
        int room;
        int8_t expected;
    };
    // In 10 x 40 the mirror point of (4, 22) is (5, 17).
    const row cases[] = {
        {MODE_MIRROR, {5, 18}, {4, 22}, 0, MODE_MIRROR},   {MODE_MIRROR, {5, 20}, {4, 22}, 50, MODE_MIRROR},
        {MODE_MIRROR, {5, 21}, {4, 22}, 50, MODE_SURVIVE}, {MODE_DISTANT, {5, 18}, {4, 22}, 19, MODE_SURVIVE},
        {MODE_DISTANT, {5, 18}, {4, 22}, 20, MODE_CHASE},  {MODE_CHASE, {0, 0}, {9, 11}, 20, MODE_DISTANT},
        {MODE_SURVIVE, {0, 0}, {9, 10}, 30, MODE_CHASE},   {MODE_CHASE, {0, 0}, {9, 11}, 3, MODE_SURVIVE},
    };
    const arena a = make_arena(10, 40);
    for (const row& k : cases) {
        snake me = make_snake(k.me.row, k.me.col, U, OWNER_COMPUTER, k.stored);
        snake other = make_snake(k.other.row, k.other.col, U, OWNER_PLAYER);
        EXPECT_EQ(choose_mode(a, me, other, k.room), k.expected)
            << "stored " << int(k.stored) << " at " << k.me.row << "," << k.me.col << " room " << k.room;
    }
}

TEST(CoilclashKeepsStraight, DistantModeReplansOnlyAtGridPoints) {
    const arena a = make_arena(20, 60);
    struct row {
        position head;
        bool straight;
    };
    const row cases[] = {{{1, 4}, true}, {{3, 4}, false}, {{2, 5}, false}, {{0, 4}, false}, {{4, 7}, true}};
    for (const row& k : cases) {
        const snake me = make_snake(k.head.row, k.head.col, R, OWNER_COMPUTER, MODE_DISTANT);
        EXPECT_EQ(keeps_straight(a, me, 10, 10), k.straight) << k.head.row << "," << k.head.col;
    }
    // Off a grid point but the wall two cells ahead: plan anyway.
    EXPECT_FALSE(keeps_straight(a, make_snake(1, 58, R, OWNER_COMPUTER, MODE_DISTANT), 10, 10));
}

TEST(CoilclashKeepsStraight, ChaseTurnsWhenLinedUpAndSurviveAndMirrorAlwaysPlan) {
    const arena a = make_arena(20, 60);
    srandom(3);
    int kept_far = 0;
    for (int i = 0; i < 200; ++i) {
        const snake chase = make_snake(10, 10, U, OWNER_COMPUTER, MODE_CHASE);
        EXPECT_FALSE(keeps_straight(a, chase, 7, 0)) << "same column";
        EXPECT_FALSE(keeps_straight(a, chase, 0, 7)) << "same row";
        kept_far += keeps_straight(a, chase, 9, 9);
        EXPECT_FALSE(keeps_straight(a, make_snake(10, 10, U, OWNER_COMPUTER, MODE_SURVIVE), 9, 9));
        EXPECT_FALSE(keeps_straight(a, make_snake(10, 10, U, OWNER_COMPUTER, MODE_MIRROR), 9, 9));
    }
    EXPECT_GT(kept_far, 100) << "far apart, the chase mostly goes on straight";
}

TEST(CoilclashInterceptPoint, AimsAtTheCellOfThePlayersPathThatLinesUp) {
    struct row {
        position me;
        position other;
        int8_t other_dir;
        std::initializer_list<position> taken;
        position expected;
    };
    const row cases[] = {
        {{5, 14}, {10, 10}, R, {}, {10, 14}},         // lines up with my column
        {{5, 14}, {10, 10}, R, {{10, 12}}, {10, 11}},  // an obstacle first
        {{0, 39}, {9, 10}, R, {}, {9, 20}},            // ten cells at most
        {{5, 3}, {10, 10}, R, {}, {10, 10}},           // behind: the head itself
        {{12, 3}, {10, 10}, U, {}, {10, 10}},          // behind, heading up
        {{2, 8}, {9, 10}, U, {}, {2, 10}},             // lines up with my row
        {{5, 14}, {10, 39}, R, {}, {10, 39}},          // the wall at once
    };
    for (const row& k : cases) {
        const arena a = make_arena(20, 40, k.taken);
        const snake me = make_snake(k.me.row, k.me.col, L);
        const snake other = make_snake(k.other.row, k.other.col, k.other_dir, OWNER_PLAYER);
        EXPECT_EQ(intercept_point(a, me, other), k.expected) << "me " << k.me.row << "," << k.me.col;
    }
}

TEST(CoilclashComputerMove, ATrappedComputerChangesNothingInAnyMode) {
    for (int8_t mode = 0; mode < 4; ++mode) {
        arena a = make_arena(10, 40, {{4, 5}, {6, 5}, {5, 4}, {5, 6}});
        snake me = make_snake(5, 5, U, OWNER_COMPUTER, mode);
        const snake other = make_snake(5, 8, U, OWNER_PLAYER);
        const auto before = a.cells;
        int8_t turn_sign = 1;
        srandom(9);
        EXPECT_EQ(computer_move(a, turn_sign, &me, other), TRAPPED) << "mode " << int(mode);
        EXPECT_EQ(a.cells, before);
        EXPECT_EQ(me.head(), (position{5, 5}));
    }
}

TEST(CoilclashComputerMove, AMirrorGameStartsTowardTheMirrorPoint) {
    duel g;
    g.board.allocate(10, 40);
    srandom(4);
    new_game(g);
    g.computer.mode = MODE_MIRROR;
    move_snake(g.board, &g.player);
    ASSERT_EQ(g.player.head(), (position{4, 22}));
    EXPECT_EQ(computer_move(g.board, g.turn_sign, &g.computer, g.player), 1);
    EXPECT_EQ(g.computer.head(), (position{5, 17}));
    EXPECT_EQ(g.computer.dir, L);
    EXPECT_EQ(g.computer.mode, MODE_MIRROR);
    EXPECT_EQ(g.board.at({5, 17}), OWNER_COMPUTER + R);
}

TEST(CoilclashComputerMove, APlannedMoveKeepsTheModeItBeganWith) {
    // Everything taken but a 3 x 3 room: the walk ahead is short, so the move plans by look-ahead.
    arena a = make_arena(10, 40);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 40; ++c)
            if (r < 4 || r > 6 || c < 4 || c > 6) a.cells[r * 40 + c] = OWNER_PLAYER;
    snake me = make_snake(5, 5, U, OWNER_COMPUTER, MODE_DISTANT);
    const snake other = make_snake(0, 39, U, OWNER_PLAYER);
    int8_t turn_sign = 1;
    srandom(8);
    ASSERT_EQ(computer_move(a, turn_sign, &me, other), 1);
    EXPECT_EQ(me.mode, MODE_DISTANT);
}

// The player of the property run: wanders, turning now and then, and avoids a wall when it can.
void move_player(duel& g, std::mt19937& rng) {
    if (rng() % 5 == 0) steer(&g.player, static_cast<int8_t>(rng() % 4), g.board);
    for (int8_t d = 0; d < 4 && blocked(g.board, g.player); ++d) steer(&g.player, d, g.board);
}

int changed_cells(const std::vector<int8_t>& before, const std::vector<int8_t>& after) {
    int n = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(before[i] == 0 || before[i] == after[i]) << "a taken cell changed at " << i;
        n += before[i] != after[i];
    }
    return n;
}

TEST(CoilclashComputerMove, OverManyGamesItOnlyEntersFreeCellsAndTheBoardOnlyGrows) {
    struct size {
        int len, wid, games;
    };
    // The command line allows arenas below the usual range, down to none at all, where both
    // snakes may start on one cell.
    const size sizes[] = {{10, 40, 40}, {17, 75, 16}, {40, 127, 4}, {127, 127, 2},
                          {0, 0, 1},    {1, 1, 2},    {3, 2, 4},    {2, 40, 4},    {10, 1, 4}};
    std::mt19937 rng(12345);
    unsigned seed = 1;
    for (const size& s : sizes) {
        for (int game = 0; game < s.games; ++game, ++seed) {
            for (bool mirror : {false, true}) {
                duel g;
                g.board.allocate(s.len, s.wid);
                srandom(seed);
                new_game(g);
                if (mirror) g.computer.mode = MODE_MIRROR;
                for (int steps = 0; steps < 4000; ++steps) {
                    move_player(g, rng);
                    if (blocked(g.board, g.player)) break;
                    const auto start = g.board.cells;
                    move_snake(g.board, &g.player);
                    const auto after_player = g.board.cells;
                    ASSERT_EQ(changed_cells(start, after_player), 1);
                    const position from = g.computer.head();
                    const int result = computer_move(g.board, g.turn_sign, &g.computer, g.player);
                    if (result == TRAPPED) {
                        EXPECT_EQ(g.board.cells, after_player);
                        EXPECT_EQ(g.computer.head(), from);
                        for (int d = 0; d < 4; ++d) EXPECT_FALSE(g.board.is_free(step(from, d)));
                        break;
                    }
                    ASSERT_EQ(result, 1);
                    const position to = g.computer.head();
                    ASSERT_EQ(std::abs(to.row - from.row) + std::abs(to.col - from.col), 1);
                    ASSERT_EQ(after_player[to.row * s.wid + to.col], 0) << "seed " << seed;
                    ASSERT_EQ(changed_cells(after_player, g.board.cells), 1);
                    if (mirror) ASSERT_EQ(g.computer.mode, MODE_MIRROR);
                    else ASSERT_NE(g.computer.mode, MODE_MIRROR);
                }
            }
        }
    }
}

}  // namespace
