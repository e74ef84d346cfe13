// Drawing of the duel on a virtual 24 x 80 screen, and what keys mean during play.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "screens.h"
#include "terminal.h"
#include "virtual_screen.h"

using namespace coilclash;

namespace {

chtype glyph(int row, int col) { return mvwinch(stdscr, row, col) & (A_CHARTEXT | A_ALTCHARSET); }
chtype glyph_of(chtype acs) { return acs & (A_CHARTEXT | A_ALTCHARSET); }

// The next queued key; the resize that sizes the virtual screen is not one.
int next_key() { return read_key(stdscr); }

TEST(CoilclashKeys, EachKeyMeansOneThing) {
    virtual_screen screen;
    struct row {
        int key;
        key_action action;
        int8_t dir;
    };
    const row cases[] = {
        {'k', key_action::turn, DIR_UP},       {'w', key_action::turn, DIR_UP},
        {KEY_UP, key_action::turn, DIR_UP},    {'j', key_action::turn, DIR_DOWN},
        {'s', key_action::turn, DIR_DOWN},     {KEY_DOWN, key_action::turn, DIR_DOWN},
        {'h', key_action::turn, DIR_LEFT},     {'a', key_action::turn, DIR_LEFT},
        {KEY_LEFT, key_action::turn, DIR_LEFT}, {'l', key_action::turn, DIR_RIGHT},
        {'d', key_action::turn, DIR_RIGHT},    {KEY_RIGHT, key_action::turn, DIR_RIGHT},
        {'p', key_action::pause, 0},           {'q', key_action::quit, 0},
        {27, key_action::quit, 0},             {'?', key_action::controls_help, 0},
        {KEY_F(1), key_action::controls_help, 0}, {'!', key_action::gameplay_help, 0},
        {KEY_F(2), key_action::gameplay_help, 0}, {ERR, key_action::none, 0},
        {'x', key_action::none, 0},            {'Q', key_action::none, 0},
    };
    for (const row& k : cases) {
        const key_meaning m = meaning_of(k.key);
        EXPECT_EQ(m.action, k.action) << k.key;
        if (k.action == key_action::turn) {
            EXPECT_EQ(m.dir, k.dir) << k.key;
        }
    }
}

TEST(CoilclashColours, SixPairsOnTheDefaultBackground) {
    virtual_screen screen;
    duel g;
    init_snake_colors(g);
    const short foregrounds[6] = {COLOR_RED, COLOR_YELLOW, COLOR_GREEN, COLOR_CYAN, COLOR_MAGENTA, COLOR_BLUE};
    for (int i = 0; i < 6; ++i) {
        short fg = 0, bg = 0;
        pair_content(static_cast<short>(i + 1), &fg, &bg);
        EXPECT_EQ(fg, foregrounds[i]);
        EXPECT_EQ(bg, -1);
        EXPECT_EQ(static_cast<chtype>(g.snake_colors[i]), COLOR_PAIR(i + 1) | (i == 1 ? A_BOLD : 0));
    }
}

class CoilclashArenaScreen : public testing::Test {
protected:
    virtual_screen screen{24, 80};
    duel g;

    void SetUp() override {
        init_snake_colors(g);
        g.board.allocate(17, 75);
        srandom(6);
        new_game(g);
        g.computer.wins = 2;
        g.player.wins = 3;
    }
};

TEST_F(CoilclashArenaScreen, BorderAroundTheArenaAndTheCountersBesideTheBanner) {
    draw_banner();
    draw_arena(g);
    EXPECT_EQ(glyph(3, 0), glyph_of(ACS_ULCORNER));
    EXPECT_EQ(glyph(21, 0), glyph_of(ACS_LLCORNER));
    EXPECT_EQ(glyph(3, 76), glyph_of(ACS_URCORNER));
    EXPECT_EQ(glyph(21, 76), glyph_of(ACS_LRCORNER));
    for (int x : {1, 40, 75}) {
        EXPECT_EQ(glyph(3, x), glyph_of(ACS_HLINE)) << x;
        EXPECT_EQ(glyph(21, x), glyph_of(ACS_HLINE)) << x;
    }
    for (int y : {4, 12, 20}) {
        EXPECT_EQ(glyph(y, 0), glyph_of(ACS_VLINE)) << y;
        EXPECT_EQ(glyph(y, 76), glyph_of(ACS_VLINE)) << y;
    }
    EXPECT_EQ(screen.text(3, 77), "   ");
    EXPECT_EQ(screen.text(22), std::string(80, ' '));
    EXPECT_EQ(screen.text(1, 16, 20), "Computer's wins: 2  ");
    EXPECT_EQ(screen.text(2, 16, 13), "Your wins: 3 ");
}

TEST_F(CoilclashArenaScreen, SnakeCellsInStandoutWithTheirColoursAndEmptyCellsUntouched) {
    move_snake(g.board, &g.player);
    move_snake(g.board, &g.computer);
    g.player.dir = DIR_RIGHT;
    move_snake(g.board, &g.player);
    draw_arena(g);
    // Heads started at (8, 33) and (8, 41); cell (r, c) sits at row r + 4, column c + 1.
    const int player_pair = PAIR_NUMBER(static_cast<chtype>(g.player.color));
    const int computer_pair = PAIR_NUMBER(static_cast<chtype>(g.computer.color));
    ASSERT_NE(player_pair, computer_pair);
    for (int col : {42, 43}) {
        EXPECT_EQ(screen.ch(11, col), ' ');
        EXPECT_TRUE(screen.attr(11, col) & A_STANDOUT) << col;
        EXPECT_EQ(screen.pair(11, col), player_pair) << col;
    }
    EXPECT_TRUE(screen.attr(11, 34) & A_STANDOUT);
    EXPECT_EQ(screen.pair(11, 34), computer_pair);
    for (int col : {33, 35, 41, 44}) EXPECT_FALSE(screen.attr(11, col) & A_STANDOUT) << col;
    EXPECT_FALSE(screen.attr(12, 42) & A_STANDOUT) << "the starting cell stays empty";
}

TEST(CoilclashBanner, ThreeRowsThatLeaveRoomForPausedAndTheCounters) {
    virtual_screen screen;
    const size_t widths[3] = {10, 13, 14};
    for (int row = 0; row < 3; ++row) EXPECT_LE(strlen(banner_rows[row]), widths[row]) << row;
    draw_pause();
    EXPECT_EQ(screen.text(1, 0, strlen(banner_rows[1])), banner_rows[1]);
    EXPECT_EQ(screen.text(1, 13, 6), "PAUSED");
    EXPECT_TRUE(screen.attr(1, 13) & A_BOLD);
    screen.keys({'x'});
    show_pause();
    EXPECT_EQ(next_key(), ERR) << "the pause takes one key";
    EXPECT_EQ(screen.text(1, 13, 6), "      ") << "nothing of the pause is left for the next frame";
}

TEST(CoilclashHelpScreens, ControlsHelpGoesOnToTheGameplayHelpOneKeyEach) {
    virtual_screen screen;
    screen.keys({'a', 'b', 'c'});
    show_controls_help();
    EXPECT_EQ(next_key(), 'c');
    screen.keys({'a', 'b'});
    show_gameplay_help();
    EXPECT_EQ(next_key(), 'b');
}

TEST(CoilclashPlayAgain, TheQuestionStandsBelowTheArenaWithTheFinalCount) {
    virtual_screen screen;
    duel g;
    g.board.allocate(10, 40);
    new_game(g);
    g.computer.wins = 5;
    screen.type_when_waiting({'n'});
    EXPECT_EQ(ask_play_again(g), 'n');
    EXPECT_EQ(screen.text(15, 0, 34), "Game over! Wanna play again?(y/n) ");
    EXPECT_EQ(glyph(14, 0), glyph_of(ACS_LLCORNER));
    EXPECT_EQ(screen.text(1, 16, 18), "Computer's wins: 5");
}

TEST(CoilclashClipping, AnArenaLargerThanTheTerminalIsCutOffWithoutHarm) {
    virtual_screen screen{24, 80};
    duel g;
    g.board.allocate(127, 127);
    srandom(1);
    new_game(g);
    for (int i = 0; i < 60; ++i) {
        g.player.dir = i < 30 ? DIR_UP : DIR_RIGHT;
        move_snake(g.board, &g.player);
    }
    draw_banner();
    draw_arena(g);
    EXPECT_EQ(glyph(3, 0), glyph_of(ACS_ULCORNER));
    EXPECT_EQ(glyph(3, 79), glyph_of(ACS_HLINE));
    EXPECT_EQ(glyph(23, 0), glyph_of(ACS_VLINE));
    screen.type_when_waiting({'y'});
    EXPECT_EQ(ask_play_again(g), 'y');
}

TEST(CoilclashClipping, ANarrowTerminalCutsTheCountersInsteadOfWrappingThem) {
    virtual_screen screen{24, 30};
    duel g;
    g.board.allocate(10, 40);
    g.computer.wins = 1;
    g.player.wins = 1;
    draw_arena(g);
    EXPECT_EQ(screen.text(1, 16), "Computer's win");
    EXPECT_EQ(screen.text(2, 16), "Your wins: 1  ");
}

}  // namespace
