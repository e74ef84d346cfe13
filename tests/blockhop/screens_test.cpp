// Drawing of blockhop on a virtual screen: squares, banner, marker and a hop frame; and its keys.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "input.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace blockhop;

namespace {

chtype at(int row, int col) { return mvwinch(stdscr, row, col) & (A_CHARTEXT | A_ALTCHARSET); }

// Expects a whole square outline with its top-left corner at (top, left), clipped to the screen.
void expect_square(int top, int left) {
    for (int r = 0; r <= 12; ++r) {
        for (int c = 0; c <= 24; ++c) {
            const int y = top + r, x = left + c;
            if (y < 0 || y >= LINES || x < 0 || x >= COLS) continue;
            chtype want = ' ';
            if (r == 0 && c == 0) want = ACS_ULCORNER;
            else if (r == 0 && c == 24) want = ACS_URCORNER;
            else if (r == 12 && c == 0) want = ACS_LLCORNER;
            else if (r == 12 && c == 24) want = ACS_LRCORNER;
            else if (r == 0 || r == 12) want = ACS_HLINE;
            else if (c == 0 || c == 24) want = ACS_VLINE;
            ASSERT_EQ(at(y, x), want & (A_CHARTEXT | A_ALTCHARSET)) << "cell " << y << "," << x;
        }
    }
}

int count_non_blank() {
    int n = 0;
    for (int y = 0; y < LINES; ++y)
        for (int x = 0; x < COLS; ++x) n += (mvwinch(stdscr, y, x) & A_CHARTEXT) != ' ';
    return n;
}

}  // namespace

TEST(BlockhopScreens, SquaresAreDrawnWhereTheyStandAndClippedAtTheEdges) {
    virtual_screen vs;
    const int lefts[] = {0, 30, 68, -10, 136, -40};
    for (int left : lefts) {
        werase(stdscr);
        draw_square(11, left);
        expect_square(11, left);
    }
    // Wholly off the screen: nothing at all.
    werase(stdscr);
    draw_square(5, 136);
    draw_square(5, -25);
    EXPECT_EQ(count_non_blank(), 0);
}

TEST(BlockhopScreens, BannerShowsScoreAndComboAtColumn17) {
    virtual_screen vs;
    for (const char* line : banner_lines) EXPECT_LE(std::strlen(line), 15u);
    world w;
    w.score = 1234567890123;
    w.combo = 42;
    draw_banner(w);
    // The cursor waits at the start of row 3, where a printed table continues.
    EXPECT_EQ(getcury(stdscr), 3);
    EXPECT_EQ(getcurx(stdscr), 0);
    EXPECT_EQ(vs.text(0, 0, 15).substr(0, std::strlen(banner_lines[0])), banner_lines[0]);
    EXPECT_EQ(vs.text(1, 17, 21), "Score: 1234567890123 ");
    EXPECT_EQ(vs.text(2, 17, 10), "Combo: 42 ");
    EXPECT_EQ(vs.text(1, 0, 17), std::string(banner_lines[1]) + std::string(17 - std::strlen(banner_lines[1]), ' '));
}

TEST(BlockhopScreens, PlayFrameShowsTheMarkerInThePlayersColour) {
    virtual_screen vs;
    init_palette();
    world w;
    w.square_top[0] = 8;
    w.player_row = 6;
    w.player_col = 24;
    draw_play(w);
    EXPECT_EQ(vs.ch(14, 24), 'O');
    EXPECT_EQ(vs.pair(14, 24), 1);
    EXPECT_EQ(at(8, 0), ACS_ULCORNER & (A_CHARTEXT | A_ALTCHARSET));
    expect_square(5, 68);
    EXPECT_EQ(vs.text(1, 17, 8), "Score: 0");
}

TEST(BlockhopScreens, HopFrameShiftsTheSquaresByTheScroll) {
    virtual_screen vs;
    world w;
    w.player_row = 6;
    w.player_col = 24;
    flight f = start_hop(w);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(hop_frame(w, f), hop_state::flying);
    // Twenty frames at half a column each: the marker is 10 columns on, the scene 20 back.
    ASSERT_EQ(scroll_columns(f), -20);
    draw_hop(w, f);
    expect_square(5, -20);
    expect_square(5, 48);
    EXPECT_EQ(vs.ch(11, 14), 'O');
}

TEST(BlockhopKeys, EachKeyMeansOneThing) {
    struct row {
        int key;
        key_action action;
    } cases[] = {
        {'\n', key_action::hop},      {KEY_ENTER, key_action::hop}, {'q', key_action::quit},
        {'?', key_action::help},      {KEY_F(1), key_action::help}, {'Q', key_action::none},
        {' ', key_action::none},      {KEY_F(2), key_action::none},
        {27, key_action::none},       {ERR, key_action::none},
    };
    for (const row& c : cases) EXPECT_EQ(meaning_of(c.key), c.action) << c.key;
}
