// The shared help pages: both layouts, clipped in a narrow terminal, one key
// each, drawn anew after a resize, and the timed hold that no key shortens.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "help_page.h"
#include "virtual_screen.h"

namespace {

int banners_drawn = 0;

void draw_test_banner() {
    ++banners_drawn;
    mvwaddstr(stdscr, 0, 0, "BANNER");
}

const help_line lines[] = {
    {"hjkl/ARROW KEYS : Change direction"},
    {"q : Quit"},
    {"LOUD LINE", A_BOLD},
    {""},
    {"Press a key to continue"},
};
const banner_page controls{draw_test_banner, "  **** THE CONTROLS ****", lines};

const char* const framed_lines[] = {
    "Type those things and beat the other guy",
    "Press h to use home-row mode.",
};

std::string padded(const std::string& text, int width) { return text + std::string(width - text.size(), ' '); }

TEST(BannerHelpPage, TitleInBoldUnderTheBannerThenOneRowPerLine) {
    virtual_screen vs;
    mvwaddstr(stdscr, 20, 10, "left over from the game");
    draw_help_page(controls);
    struct row_case {
        int y;
        std::string text;
        bool bold;
    };
    const row_case rows[] = {
        {0, "BANNER", false},
        {3, "  **** THE CONTROLS ****", true},
        {4, "hjkl/ARROW KEYS : Change direction", false},
        {5, "q : Quit", false},
        {6, "LOUD LINE", true},
        {7, "", false},
        {8, "Press a key to continue", false},
    };
    for (const auto& [y, text, bold] : rows) {
        EXPECT_EQ(vs.text(y), padded(text, 80)) << "row " << y;
        EXPECT_EQ((vs.attr(y, 2) & A_BOLD) != 0, bold) << "row " << y;
    }
    EXPECT_EQ(vs.text(20), std::string(80, ' ')) << "the page is drawn on an erased screen";
}

TEST(BannerHelpPage, ANarrowTerminalCutsLinesAndEveryRowKeepsItsOwnText) {
    virtual_screen vs(24, 20);
    draw_help_page(controls);
    const std::string rows[] = {"  **** THE CONTROLS", "hjkl/ARROW KEYS : Ch", "q : Quit", "LOUD LINE", "",
                                "Press a key to conti"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(vs.text(3 + i), padded(rows[i], 20)) << "row " << 3 + i;
    EXPECT_EQ(vs.text(9), std::string(20, ' '));
}

TEST(BannerHelpPage, TakesOneKeyDrawsItselfAgainAfterAResizeAndLeavesTheScreenErased) {
    virtual_screen vs;
    banners_drawn = 0;
    vs.keys({KEY_RESIZE, 'x', 'y'});
    show_help_page(controls);
    EXPECT_EQ(banners_drawn, 2) << "drawn, then drawn again for the new size";
    EXPECT_EQ(wgetch(stdscr), 'y') << "the page took one key";
    EXPECT_EQ(vs.dump().find_first_not_of(" \n"), std::string::npos) << "nothing of the page is left for the game";
}

TEST(FramedHelpPage, FrameAndPageCarryTheirOwnAttributesAndTheTextsStartInColumnOne) {
    virtual_screen vs(30, 100);
    start_color();
    init_pair(3, COLOR_WHITE, COLOR_BLUE);
    init_pair(4, COLOR_BLUE, COLOR_WHITE);
    mvwaddstr(stdscr, 5, 85, "beside the page");
    mvwaddstr(stdscr, 26, 0, "under the page");
    draw_help_page(framed_page{.frame_attr = COLOR_PAIR(3), .screen_attr = COLOR_PAIR(4), .lines = framed_lines});

    EXPECT_EQ(vs.text(1, 36, 9), "GAME PLAY");
    EXPECT_EQ(vs.text(3, 0, 42), " Type those things and beat the other guy ");
    EXPECT_EQ(vs.text(4, 0, 31), " Press h to use home-row mode. ");
    for (auto [y, x] : {std::pair{0, 0}, {0, 40}, {23, 79}, {12, 0}, {12, 79}}) EXPECT_EQ(vs.pair(y, x), 3) << y << "," << x;
    for (auto [y, x] : {std::pair{1, 36}, {3, 1}, {4, 10}, {12, 40}, {22, 78}}) EXPECT_EQ(vs.pair(y, x), 4) << y << "," << x;
    EXPECT_EQ(vs.pair(5, 85), 0) << "outside the 80x24 area the page takes no colour";
    EXPECT_EQ(vs.text(5, 80), std::string(20, ' ')) << "nor keeps the game's screen";
    EXPECT_EQ(vs.text(26), std::string(100, ' '));
    // The page's colour is the page's only: what is drawn afterwards is plain.
    mvwaddch(stdscr, 25, 0, 'z');
    EXPECT_EQ(vs.pair(25, 0), 0);
}

TEST(FramedHelpPage, AtFortyColumnsALongLineIsCutAndTheNextRowStartsAtTheFrame) {
    virtual_screen vs(24, 40);
    draw_help_page(framed_page{.frame_attr = A_STANDOUT, .screen_attr = A_NORMAL, .lines = framed_lines});
    EXPECT_EQ(vs.text(1), padded(" " + std::string(35, ' ') + "GAME", 40));
    EXPECT_EQ(vs.text(3), " Type those things and beat the other gu");
    EXPECT_EQ(vs.text(4), padded(" Press h to use home-row mode.", 40));
    EXPECT_NE(vs.attr(4, 0) & A_STANDOUT, 0u) << "the frame's blank, not the end of the line above";
}

TEST(FramedHelpPage, TakesOneKeyAndStaysForTheGameToDrawOver) {
    virtual_screen vs(24, 80);
    vs.keys({KEY_RESIZE, 'x', 'y'});
    show_help_page(framed_page{.frame_attr = A_STANDOUT, .screen_attr = A_NORMAL, .lines = framed_lines});
    EXPECT_EQ(wgetch(stdscr), 'y');
    EXPECT_EQ(vs.text(1, 36, 9), "GAME PLAY");
}

TEST(HeldPage, StaysItsTimeWhateverIsTypedAndIsDrawnAgainAfterAResize) {
    virtual_screen vs;
    nodelay(stdscr, FALSE);
    int redraws = 0;
    vs.keys({'q', KEY_RESIZE, 27, '\n'});
    const auto start = std::chrono::steady_clock::now();
    hold_page(std::chrono::milliseconds(300), [&] { ++redraws; });
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(wgetdelay(stdscr), -1) << "blocking reads again, as before the hold";
    nodelay(stdscr, TRUE);
    EXPECT_EQ(wgetch(stdscr), ERR) << "the keys typed meanwhile were dropped";
}

}  // namespace
