// The shared writers clip at every edge and never wrap; the box has its corners where asked.
#include <gtest/gtest.h>

#include "draw.h"
#include "virtual_screen.h"

namespace {

TEST(Drawing, TextIsClippedAtEveryEdgeAndNeverWraps) {
    virtual_screen vs(3, 10);
    struct row {
        int col;
        const char* text;
        const char* row1;
    };
    const row cases[] = {
        {0, "abc", "abc       "},
        {6, "abcdefgh", "      abcd"},
        {-2, "abcdef", "cdef      "},
        {10, "abc", "          "},
    };
    for (const row& c : cases) {
        werase(stdscr);
        put(1, c.col, c.text);
        EXPECT_EQ(vs.text(1), c.row1) << c.col << " " << c.text;
        EXPECT_EQ(vs.text(2), "          ") << "nothing wraps onto the next row: " << c.text;
    }
    werase(stdscr);
    put(5, 0, "off");
    put(-1, 0, "off");
    EXPECT_EQ(vs.dump(), "          \n          \n          \n");
}

TEST(Drawing, FormattedTextClipsLikePlainText) {
    virtual_screen vs(3, 10);
    put_format(1, 3, 10, "Score:%ld", 123456L);
    EXPECT_EQ(vs.text(1), "   Score:1");
    EXPECT_EQ(vs.text(2), "          ") << "a growing number never runs onto the next row";
    put_format(0, 0, 4, "%s", "wide text");
    EXPECT_EQ(vs.text(0), "wide      ") << "cut before its end column";
}

TEST(Drawing, TextCarriesItsAttributeOverTheWindows) {
    virtual_screen vs(3, 10);
    wattr_on(stdscr, A_UNDERLINE, nullptr);
    put(0, 0, "ab", A_BOLD);
    wattr_off(stdscr, A_UNDERLINE, nullptr);
    EXPECT_EQ(vs.attr(0, 0) & (A_BOLD | A_UNDERLINE), A_BOLD | A_UNDERLINE);
    EXPECT_EQ(vs.attr(0, 2) & (A_BOLD | A_UNDERLINE), 0u);
}

TEST(Drawing, ClippedTextStopsBeforeItsEndAndKeepsTheWindowsAttributes) {
    virtual_screen vs(3, 10);
    put_clipped(1, 2, 6, "abcdefgh", A_BOLD);
    EXPECT_EQ(vs.text(1), "  abcd    ");
    put_clipped(0, 7, 40, "abcdefgh");
    EXPECT_EQ(vs.text(0), "       abc") << "cut at the window's edge too";
    EXPECT_EQ(vs.text(1), "  abcd    ") << "nothing wraps onto the next row";
    EXPECT_EQ(vs.attr(1, 2) & A_BOLD, A_BOLD);
    attr_t attrs;
    short pair;
    wattr_get(stdscr, &attrs, &pair, nullptr);
    EXPECT_EQ(attrs & A_BOLD, 0u) << "the attribute is for that text only";
}

TEST(Drawing, TheBoxHasLinesAndCornersAndClips) {
    virtual_screen vs(4, 6);
    draw_box(1, 1, 3, 7);
    const struct {
        int row, col;
        chtype c;
    } cells[] = {
        {1, 1, ACS_ULCORNER}, {1, 2, ACS_HLINE}, {1, 5, ACS_HLINE}, {2, 1, ACS_VLINE},
        {3, 1, ACS_LLCORNER}, {3, 2, ACS_HLINE}, {3, 5, ACS_HLINE},
    };
    for (const auto& c : cells)
        EXPECT_EQ(mvwinch(stdscr, c.row, c.col) & A_CHARTEXT, c.c & A_CHARTEXT) << c.row << "," << c.col;
    EXPECT_EQ(vs.ch(2, 3), ' ') << "the inside stays blank";
    EXPECT_EQ(vs.text(0), "      ");
}

}  // namespace
