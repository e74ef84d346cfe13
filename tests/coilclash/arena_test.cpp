// The arena's primitives: directions, blocked cells and a snake's move.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "arena.h"
#include "arena_fixture.h"

using namespace coilclash;

namespace {

TEST(CoilclashDirections, StepAndOppositeFollowTheClockwiseNumbering) {
    const position p{5, 7};
    EXPECT_EQ(step(p, DIR_UP), (position{4, 7}));
    EXPECT_EQ(step(p, DIR_RIGHT), (position{5, 8}));
    EXPECT_EQ(step(p, DIR_DOWN), (position{6, 7}));
    EXPECT_EQ(step(p, DIR_LEFT), (position{5, 6}));
    EXPECT_EQ(step(p, 4), p);
    EXPECT_EQ(step(p, -1), p);
    EXPECT_EQ(opposite(DIR_UP), DIR_DOWN);
    EXPECT_EQ(opposite(DIR_RIGHT), DIR_LEFT);
    EXPECT_EQ(opposite(DIR_DOWN), DIR_UP);
    EXPECT_EQ(opposite(DIR_LEFT), DIR_RIGHT);
}

TEST(CoilclashDirectionsDeathTest, AnImpossibleDirectionAborts) {
    EXPECT_DEATH(opposite(4), "");
    EXPECT_DEATH(opposite(-1), "");
}

TEST(CoilclashBlocked, WallsAndBodiesBlockEveryWay) {
    struct row {
        int r, c;
        int8_t dir;
        bool expected;
    };
    const arena a = make_arena(10, 40, {{5, 11}});
    const row cases[] = {
        {0, 5, DIR_UP, true},     {9, 5, DIR_DOWN, true},   {5, 0, DIR_LEFT, true},
        {5, 39, DIR_RIGHT, true}, {0, 5, DIR_DOWN, false},  {9, 5, DIR_UP, false},
        {5, 0, DIR_RIGHT, false}, {5, 39, DIR_LEFT, false}, {5, 10, DIR_RIGHT, true},
        {5, 12, DIR_LEFT, true},  {4, 11, DIR_DOWN, true},  {4, 11, DIR_RIGHT, false},
    };
    for (const row& k : cases) {
        EXPECT_EQ(blocked(a, make_snake(k.r, k.c, k.dir)), k.expected) << k.r << "," << k.c << " dir " << int(k.dir);
    }
}

TEST(CoilclashMoveSnake, TurningBackIsFreeOnlyAfterTheFirstStep) {
    arena a = make_arena(10, 40);
    snake s = make_snake(5, 5, DIR_UP, OWNER_PLAYER);
    move_snake(a, &s);
    s.dir = DIR_DOWN;
    EXPECT_FALSE(blocked(a, s)) << "the starting cell is never marked";
    s.dir = DIR_UP;
    move_snake(a, &s);
    s.dir = DIR_DOWN;
    EXPECT_TRUE(blocked(a, s));
}

TEST(CoilclashMoveSnakeDeathTest, AMoveIntoATakenCellRestoresTheTerminalAndFailsTheAssertion) {
    arena a = make_arena(10, 40, {{4, 5}});
    snake s = make_snake(5, 5, DIR_UP);
    before_fatal_error = [] { fputs("terminal restored\n", stderr); };
    // Into a body, and off the top of the board: the terminal first, then the abort.
    EXPECT_EXIT(move_snake(a, &s), testing::KilledBySignal(SIGABRT), "terminal restored");
    s = make_snake(0, 5, DIR_UP);
    EXPECT_EXIT(move_snake(a, &s), testing::KilledBySignal(SIGABRT), "terminal restored");
    before_fatal_error = nullptr;
}

}  // namespace
