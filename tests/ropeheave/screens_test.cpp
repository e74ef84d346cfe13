// The typing race's play screen, help page and key meanings on a virtual screen.
#include <gtest/gtest.h>

#include <string>

#include "rules.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace ropeheave;

namespace {

std::string trimmed(std::string s) { return s.erase(s.find_last_not_of(' ') + 1); }

race at_level(int level, int rope_pos = 24) {
    race r;
    std::string q = "123456789";
    q.copy(r.queue, 9);
    r.level = static_cast<int8_t>(level);
    r.rope_pos = static_cast<int8_t>(rope_pos);
    r.score = 4242;
    return r;
}

TEST(RopeheaveField, PlacesTheTextBlockBesideThePlayerAndTheLineInColumn40) {
    virtual_screen vs;
    draw_field(at_level(0));
    for (int y = 0; y < 24; ++y)
        if (y != 14) {
            EXPECT_NE(vs.attr(y, 40) & A_ALTCHARSET, 0u) << y;
        }
    EXPECT_EQ(vs.ch(14, 40), '-') << "the rope crosses the line";
    EXPECT_EQ(vs.text(11, 14, 10), "Score: 424");
    EXPECT_EQ(vs.text(12, 14, 8), "Level: 0");
    EXPECT_EQ(vs.text(15, 14, 5), "Type!");
    EXPECT_EQ(vs.text(16, 14, 9), "123456789");
    // Frame 0 covers columns 25 to 55, rope on its third line.
    EXPECT_EQ(vs.ch(12, 26), 'O');
    EXPECT_EQ(vs.ch(12, 54), 'O');
    EXPECT_EQ(vs.ch(14, 25), '\\');
    EXPECT_EQ(vs.ch(14, 55), '/');
    EXPECT_EQ(vs.ch(14, 30), '-');
    EXPECT_EQ(vs.ch(14, 56), ' ');
}

TEST(RopeheaveField, MovesWithTheRopeAndALevelDownAndCyclesFourFigures) {
    struct level_case {
        int level;
        int rope_row;   // the rope line's row: the frame's rope sinks a line per level
        int type_row;
    };
    for (auto [level, rope_row, type_row] : {level_case{1, 15, 16}, {2, 16, 17}, {3, 17, 18}, {4, 14, 19}}) {
        SCOPED_TRACE(level);
        virtual_screen vs;
        draw_field(at_level(level, 20));
        EXPECT_EQ(vs.text(type_row, 10, 5), "Type!");
        EXPECT_EQ(vs.text(type_row - 4, 10, 8), "Score: 4");
        EXPECT_EQ(vs.ch(rope_row, 21), '\\');
        EXPECT_EQ(vs.ch(rope_row, 22), '-');
    }
}

TEST(RopeheaveField, TheScoreStaysWholeWhereTheTextBlockLiesOnTheFigure) {
    // From level 4 the score's row is a row of the player's figure: a score of
    // five digits or more reaches its first column.
    struct score_case {
        int level;
        int64_t score;
    };
    for (auto [level, score] : {score_case{4, 23101}, {4, 123456}, {5, 99999}, {7, 1234567}}) {
        SCOPED_TRACE(level);
        virtual_screen vs;
        race r = at_level(level);
        r.score = score;
        draw_field(r);
        const std::string shown = "Score: " + std::to_string(score);
        EXPECT_EQ(vs.text(level + 11, 14, static_cast<int>(shown.size())), shown);
        EXPECT_EQ(vs.text(level + 12, 14, 8), "Level: " + std::to_string(level));
        EXPECT_EQ(vs.ch(12, 54), 'O') << "the figures are drawn all the same";
    }
}

TEST(RopeheaveField, TextsAreCutAtTheRightEdgeInsteadOfWrapping) {
    virtual_screen vs(24, 20);
    race r = at_level(0);
    r.score = 123456789;
    draw_field(r);
    EXPECT_EQ(vs.text(11, 14), "Score:");
    EXPECT_EQ(vs.text(12, 0, 14), std::string(14, ' ')) << "nothing of the score ran on into the next row";
    EXPECT_EQ(vs.text(16, 14), "123456");
    EXPECT_EQ(vs.text(17, 0, 14), std::string(14, ' '));
}

TEST(RopeheaveKeys, EachKeyHasOneMeaning) {
    struct key_case {
        int key;
        key_action action;
    };
    const key_case cases[] = {
        {ERR, key_action::none},      {'q', key_action::quit},      {'?', key_action::help},
        {KEY_F(1), key_action::help}, {'7', key_action::type},      {'h', key_action::type},
        {';', key_action::type},      {'Q', key_action::type},      {27, key_action::type},
        {KEY_F(2), key_action::type}, {KEY_UP, key_action::type},
    };
    for (const auto& [key, action] : cases) EXPECT_EQ(meaning_of(key), action) << key;
}

TEST(RopeheaveField, BannerStaysInItsCornerAndPicturesAreTransparent) {
    virtual_screen vs;
    draw_art(0, 0, banner_art, 0);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(vs.ch(y, 0), ' ');
        EXPECT_EQ(trimmed(vs.text(y, 21, 59)), "") << y;
        EXPECT_NE(trimmed(vs.text(y, 1, 20)), "") << y;
    }
    for (int y = 4; y < 24; ++y) EXPECT_EQ(trimmed(vs.text(y)), "");

    virtual_screen again;
    mvwaddch(stdscr, 12, 25, 'Z');  // under the blank before the player's head
    draw_art(12, 24, figure_art, 0);
    EXPECT_EQ(again.ch(12, 25), 'Z');
    EXPECT_EQ(again.ch(12, 26), 'O');
}

TEST(RopeheaveField, ArtSkipsToTheFrameAskedFor) {
    virtual_screen vs;
    draw_art(2, 3, "ab\ncd\fEF\nGH", 1);
    EXPECT_EQ(vs.text(2, 4, 2), "EF");
    EXPECT_EQ(vs.text(3, 4, 2), "GH");
    EXPECT_EQ(vs.dump().find('a'), std::string::npos);
}

TEST(RopeheaveHelp, ShowsTheGamePlayPageAndWaitsForAKey) {
    virtual_screen vs;
    vs.keys({'x'});
    show_gameplay_help();
    EXPECT_EQ(vs.text(1, 36, 9), "GAME PLAY");
    EXPECT_EQ(vs.text(3, 1, 40), "Type those things and beat the other guy");
    EXPECT_EQ(vs.text(4, 1, 29), "Press h to use home-row mode.");
    EXPECT_EQ(wgetch(stdscr), ERR) << "the key that closed the page was taken";
}

}  // namespace
