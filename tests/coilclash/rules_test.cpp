// Game set-up and its first moves, the player's steering, who loses a step and the match count.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "arena_fixture.h"
#include "computer.h"
#include "rules.h"

using namespace coilclash;

namespace {

TEST(CoilclashMoveSnake, TheFirstStepMarksOnlyTheCellEnteredWithTheWayBack) {
    duel g;
    g.board.allocate(10, 40);
    g.board.cells[3] = OWNER_COMPUTER;  // a leftover from a previous game
    srandom(1);
    new_game(g);
    EXPECT_EQ(taken_cells(g.board), 0);
    EXPECT_EQ(g.computer.head(), (position{5, 18}));
    EXPECT_EQ(g.player.head(), (position{5, 22}));

    move_snake(g.board, &g.player);
    move_snake(g.board, &g.computer);
    EXPECT_EQ(g.board.at({4, 22}), OWNER_PLAYER + DIR_DOWN);
    EXPECT_EQ(g.board.at({4, 18}), OWNER_COMPUTER + DIR_DOWN);
    EXPECT_EQ(taken_cells(g.board), 2);

    g.player.dir = DIR_RIGHT;
    move_snake(g.board, &g.player);
    EXPECT_EQ(g.board.at({4, 23}), OWNER_PLAYER + DIR_LEFT);
}

TEST(CoilclashNewGame, StartingHeadsFollowTheArenaSize) {
    struct row {
        int len, wid;
        position computer, player;
    };
    const row cases[] = {
        {10, 40, {5, 18}, {5, 22}},
        {17, 75, {8, 33}, {8, 41}},
        {127, 127, {63, 57}, {63, 69}},
    };
    for (const row& k : cases) {
        duel g;
        g.board.allocate(k.len, k.wid);
        new_game(g);
        EXPECT_EQ(g.computer.head(), k.computer);
        EXPECT_EQ(g.player.head(), k.player);
        EXPECT_EQ(g.computer.dir, DIR_UP);
        EXPECT_EQ(g.player.dir, DIR_UP);
        EXPECT_EQ(g.computer.owner, OWNER_COMPUTER);
        EXPECT_EQ(g.player.owner, OWNER_PLAYER);
    }
}

TEST(CoilclashNewGame, TheSnakesNeverShareAColourAndAPlainTerminalStillGetsAGame) {
    duel g;
    g.board.allocate(10, 40);
    for (int i = 0; i < 6; ++i) g.snake_colors[i] = 0x100 * (i + 1);
    for (unsigned seed = 1; seed <= 300; ++seed) {
        srandom(seed);
        new_game(g);
        EXPECT_NE(g.computer.color, g.player.color) << "seed " << seed;
    }
    // Every entry alike: the redraw must end, and both snakes get the one attribute there is.
    duel plain;
    plain.board.allocate(10, 40);
    srandom(3);
    new_game(plain);
    EXPECT_EQ(plain.computer.color, 0);
    EXPECT_EQ(plain.player.color, 0);
}

TEST(CoilclashNewGame, ALeadOfThreeMayTurnOnTheMirrorForTheRestOfTheMatch) {
    // The flag comes from the first draw's parity, only when the player leads by three or more.
    for (unsigned seed = 1; seed <= 20; ++seed) {
        srandom(seed);
        const long first = random();
        duel g;
        g.board.allocate(10, 40);
        g.computer.wins = 1;
        g.player.wins = 4;
        srandom(seed);
        new_game(g);
        EXPECT_EQ(g.mirror_flag, first % 2) << "seed " << seed;
        EXPECT_EQ(g.computer.mode, first % 2 == 1 ? MODE_MIRROR : MODE_DISTANT);
    }
    struct row {
        int8_t flag, computer_wins, player_wins, mode;
    };
    // No lead of three: no draw, the flag stays as it was, mirror only while the player leads.
    const row cases[] = {
        {1, 2, 3, MODE_MIRROR}, {1, 3, 3, MODE_DISTANT}, {1, 4, 2, MODE_DISTANT},
        {0, 0, 2, MODE_DISTANT}, {0, 0, 0, MODE_DISTANT},
    };
    for (const row& k : cases) {
        duel g;
        g.board.allocate(10, 40);
        g.mirror_flag = k.flag;
        g.computer.wins = k.computer_wins;
        g.player.wins = k.player_wins;
        new_game(g);
        EXPECT_EQ(g.mirror_flag, k.flag);
        EXPECT_EQ(g.computer.mode, k.mode) << int(k.flag) << " " << int(k.computer_wins) << "-" << int(k.player_wins);
    }
}

TEST(CoilclashSteer, RefusesTurningBackAndTurningIntoTheWallTouched) {
    struct row {
        int r, c;
        int8_t heading, wanted, result;
    };
    const row cases[] = {
        {5, 5, DIR_UP, DIR_LEFT, DIR_LEFT},      {5, 5, DIR_UP, DIR_DOWN, DIR_UP},
        {5, 5, DIR_LEFT, DIR_RIGHT, DIR_LEFT},   {5, 5, DIR_DOWN, DIR_UP, DIR_DOWN},
        {5, 5, DIR_RIGHT, DIR_LEFT, DIR_RIGHT},  {0, 5, DIR_LEFT, DIR_UP, DIR_LEFT},
        {9, 5, DIR_LEFT, DIR_DOWN, DIR_LEFT},    {5, 0, DIR_UP, DIR_LEFT, DIR_UP},
        {5, 39, DIR_UP, DIR_RIGHT, DIR_UP},      {0, 5, DIR_LEFT, DIR_DOWN, DIR_DOWN},
        {5, 5, DIR_UP, DIR_UP, DIR_UP},
    };
    const arena a = make_arena(10, 40);
    for (const row& k : cases) {
        snake s = make_snake(k.r, k.c, k.heading, OWNER_PLAYER);
        steer(&s, k.wanted, a);
        EXPECT_EQ(s.dir, k.result) << k.r << "," << k.c << " heading " << int(k.heading) << " wanting " << int(k.wanted);
    }
}

TEST(CoilclashPlayStep, ThePlayerLosesFirstEvenWhenTheComputerIsTrappedToo) {
    duel g;
    // Computer at (1, 1) walled in on all sides; the player at (0, 5) heads up into the wall.
    g.board = make_arena(10, 40, {{0, 1}, {1, 0}, {1, 2}, {2, 1}});
    g.computer = make_snake(1, 1, DIR_UP);
    g.player = make_snake(0, 5, DIR_UP, OWNER_PLAYER);
    const auto before = g.board.cells;
    EXPECT_EQ(play_step(g), step_end::computer_won);
    EXPECT_EQ(g.board.cells, before);
    EXPECT_EQ(g.player.head(), (position{0, 5}));

    g.player.dir = DIR_DOWN;
    EXPECT_EQ(play_step(g), step_end::player_won);
    EXPECT_EQ(g.player.head(), (position{1, 5}));
    EXPECT_EQ(g.computer.head(), (position{1, 1}));
}

TEST(CoilclashPlayStep, InAHeadOnRaceThePlayerTakesTheCellFirst) {
    duel g;
    // Both heads aim at (5, 5); the computer's only other way out is closed.
    g.board = make_arena(10, 40, {{4, 4}, {6, 4}, {5, 3}});
    g.computer = make_snake(5, 4, DIR_RIGHT, OWNER_COMPUTER, MODE_MIRROR);
    g.player = make_snake(5, 6, DIR_LEFT, OWNER_PLAYER);
    EXPECT_EQ(play_step(g), step_end::player_won);
    EXPECT_EQ(g.board.at({5, 5}), OWNER_PLAYER + DIR_RIGHT);
}

TEST(CoilclashMatch, FirstToFiveOrTwoClearWinsAfterATieOneShort) {
    struct row {
        int8_t computer, player, needed;  // as a game starts
        bool match_over;                  // counters, target and mirror flag back to the start
        int8_t needed_after;
    };
    const row cases[] = {
        {0, 0, 5, false, 5}, {3, 3, 5, false, 5}, {4, 3, 5, false, 5}, {4, 4, 5, false, 6},
        {5, 4, 6, false, 6}, {5, 5, 6, false, 7}, {6, 4, 6, true, 5},  {4, 6, 6, true, 5},
        {5, 3, 5, true, 5},  {2, 5, 5, true, 5},  {7, 5, 7, true, 5},
    };
    for (const row& k : cases) {
        duel g;
        g.computer.wins = k.computer;
        g.player.wins = k.player;
        g.wins_needed = k.needed;
        g.mirror_flag = 1;
        settle_match(g);
        const std::string at = std::to_string(k.computer) + "-" + std::to_string(k.player);
        EXPECT_EQ(g.computer.wins, k.match_over ? 0 : k.computer) << at;
        EXPECT_EQ(g.player.wins, k.match_over ? 0 : k.player) << at;
        EXPECT_EQ(g.mirror_flag, k.match_over ? 0 : 1) << at;
        EXPECT_EQ(g.wins_needed, k.needed_after) << at;
    }
}

TEST(CoilclashMatch, AWholeMatchPlayedGameByGame) {
    // Computer wins four, player four, then they trade: 5-4, 5-5, 6-5, 7-5 ends it.
    const step_end c = step_end::computer_won, p = step_end::player_won;
    const step_end games[] = {c, c, c, c, p, p, p, p, c, p, c, c};
    duel g;
    for (step_end winner : games) {
        settle_match(g);
        record_win(g, winner);
    }
    EXPECT_EQ(g.computer.wins, 7);
    EXPECT_EQ(g.player.wins, 5);
    EXPECT_EQ(g.wins_needed, 7);
    settle_match(g);
    EXPECT_EQ(g.computer.wins, 0);
    EXPECT_EQ(g.player.wins, 0);
    EXPECT_EQ(g.wins_needed, 5);
}

}  // namespace
