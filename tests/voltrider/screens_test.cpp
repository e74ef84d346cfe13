// voltrider's drawing on a virtual screen: frame, cells, vehicle looks, explosions, hint, status, banner.
#include <gtest/gtest.h>

#include "input.h"
#include "rules.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace voltrider;

namespace {

constexpr chtype glyph_bits = A_CHARTEXT | A_ALTCHARSET;

chtype glyph_at(int y, int x) { return mvwinch(stdscr, y, x) & glyph_bits; }
// Attributes and colour of a cell, without the line-drawing bit.
attr_t attrs_at(int y, int x) { return static_cast<attr_t>(mvwinch(stdscr, y, x) & A_ATTRIBUTES & ~A_ALTCHARSET); }

class VoltriderScreen : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 6; ++i) flash_colours[i] = COLOR_PAIR(i + 1);
        flash_step = 0;
        pse_hint_ticks = 0;
        size_arena(g, 24, 80);
        g.vehicle_row = 8;
        g.vehicle_col = 37;
    }
    virtual_screen screen{24, 80};
    game g;
};

}  // namespace

TEST_F(VoltriderScreen, TheFrameSurroundsTheArena) {
    struct row {
        int lines, columns;  // the terminal the arena was sized for
        int bottom, right;
    } cases[] = {{24, 80, 21, 76}, {10, 40, 14, 41}};
    for (const row& c : cases) {
        werase(stdscr);
        size_arena(g, c.lines, c.columns);
        draw_arena_border(g);
        EXPECT_EQ(glyph_at(3, 0), ACS_ULCORNER & glyph_bits);
        EXPECT_EQ(glyph_at(c.bottom, 0), ACS_LLCORNER & glyph_bits);
        EXPECT_EQ(glyph_at(3, c.right), ACS_URCORNER & glyph_bits);
        EXPECT_EQ(glyph_at(c.bottom, c.right), ACS_LRCORNER & glyph_bits);
        for (int y : {4, c.bottom - 1}) {
            EXPECT_EQ(glyph_at(y, 0), ACS_VLINE & glyph_bits) << y;
            EXPECT_EQ(glyph_at(y, c.right), ACS_VLINE & glyph_bits) << y;
        }
        for (int x : {1, c.right - 1}) {
            EXPECT_EQ(glyph_at(3, x), ACS_HLINE & glyph_bits) << x;
            EXPECT_EQ(glyph_at(c.bottom, x), ACS_HLINE & glyph_bits) << x;
        }
        EXPECT_EQ(screen.ch(4, 1), ' ');
        EXPECT_EQ(screen.ch(c.bottom + 1, 0), ' ');
    }
}

TEST_F(VoltriderScreen, CellsShowTheirItemsOneRowAndColumnInsideTheFrame) {
    struct row {
        int8_t value;
        chtype glyph;
        attr_t attrs;
    } cases[] = {
        {CELL_FLIGHT, '?', 0},     {CELL_NOTRAIL, '&', 0},          {CELL_BOMB, '8', 0},
        {CELL_BONUS, 'B', 0},      {CELL_STOP, 'S', 0},             {CELL_IMMUNITY, '%', COLOR_PAIR(1)},
        {CELL_TRAIL, ACS_PLUS, 0}, {CELL_EMPTY, ' ', 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) g.cell(0, static_cast<int>(i) * 3) = cases[i].value;
    g.cell(16, 74) = CELL_BOMB;
    draw_arena(g);
    for (size_t i = 0; i < std::size(cases); ++i) {
        int x = static_cast<int>(i) * 3 + 1;
        EXPECT_EQ(glyph_at(4, x), cases[i].glyph & glyph_bits) << "cell value " << int(cases[i].value);
        EXPECT_EQ(attrs_at(4, x), cases[i].attrs) << "cell value " << int(cases[i].value);
    }
    EXPECT_EQ(screen.ch(20, 75), '8');
    EXPECT_EQ(glyph_at(12, 38), ACS_PLUS & glyph_bits);
}

TEST_F(VoltriderScreen, TheVehicleLooksLikeItsPowerUp) {
    struct row {
        int immunity, flight, no_trail;
        attr_t attrs;
    } cases[] = {
        {5, 5, 5, COLOR_PAIR(3)},  // the current flashing colour
        {0, 5, 5, A_BOLD},
        {0, 0, 5, 0},
        {0, 0, 0, A_STANDOUT},
    };
    for (const row& c : cases) {
        flash_step = 2;
        g.immunity = c.immunity;
        g.flight = c.flight;
        g.no_trail = c.no_trail;
        draw_arena(g);
        EXPECT_EQ(glyph_at(12, 38), ACS_PLUS & glyph_bits);
        EXPECT_EQ(attrs_at(12, 38), c.attrs) << c.immunity << " " << c.flight << " " << c.no_trail;
    }
}

TEST_F(VoltriderScreen, AnExplosionFlashesThroughTheColoursAndIsEmptyAfterTenDraws) {
    g.cell(8, 37) = COUNTDOWN_START;  // under the vehicle, which is not drawn meanwhile
    const int pairs[10] = {5, 4, 3, 2, 1, 6, 5, 4, 3, 2};
    for (int i = 0; i < 10; ++i) {
        draw_arena(g);
        EXPECT_EQ(screen.ch(12, 38), ' ') << "draw " << i;
        EXPECT_EQ(attrs_at(12, 38), A_STANDOUT | COLOR_PAIR(pairs[i])) << "draw " << i;
        EXPECT_EQ(g.cell(8, 37), COUNTDOWN_START + i + 1);
    }
    draw_arena(g);
    EXPECT_EQ(g.cell(8, 37), CELL_EMPTY);
    EXPECT_EQ(attrs_at(12, 38), A_STANDOUT);  // the vehicle again
}

TEST_F(VoltriderScreen, EveryDrawMovesTheFlashingColourOn) {
    g.cell(0, 0) = CELL_IMMUNITY;
    for (int i = 0; i < 7; ++i) {
        draw_arena(g);
        EXPECT_EQ(screen.pair(4, 1), i % 6 + 1) << "draw " << i;
    }
    EXPECT_EQ(flash_step, 1);
}

TEST_F(VoltriderScreen, TheHintShowsUnderTheFrameForItsDrawsOnly) {
    pse_hint_ticks = 2;
    for (int i = 0; i < 3; ++i) {
        werase(stdscr);
        draw_arena(g);
        EXPECT_EQ(screen.text(22, 0, 24), i < 2 ? "Suffering PSE? Press e. " : std::string(24, ' ')) << i;
    }
    EXPECT_EQ(pse_hint_ticks, 0);
}

TEST_F(VoltriderScreen, ThePhotosensitivitySwitchTakesTheColoursAndTheHintAway) {
    pse_hint_ticks = 50;
    stop_flashing();
    g.immunity = 5;
    g.cell(0, 0) = CELL_IMMUNITY;
    g.cell(0, 1) = COUNTDOWN_START;
    g.cell(0, 2) = CELL_TRAIL;
    draw_arena(g);
    EXPECT_EQ(attrs_at(4, 1), 0u);
    EXPECT_EQ(attrs_at(4, 2), A_STANDOUT);
    // The immune vehicle now looks just like trail.
    EXPECT_EQ(mvwinch(stdscr, 12, 38), mvwinch(stdscr, 4, 3));
    EXPECT_EQ(screen.text(22, 0, 10), std::string(10, ' '));
}

TEST(VoltriderSmallScreen, ATerminalSmallerThanTheArenaClipsItButExplosionsStillClear) {
    virtual_screen small(10, 40);
    game g;
    size_arena(g, 24, 80);
    g.vehicle_row = 8;
    g.vehicle_col = 37;
    explode(g, 15, 70);
    g.cell(2, 2) = CELL_STOP;
    for (int i = 0; i < 10; ++i) draw_arena(g);
    for (int8_t c : g.arena) EXPECT_GE(c, 0);
    EXPECT_EQ(small.ch(6, 3), 'S');
}

TEST_F(VoltriderScreen, TheStatusShowsTheScoreAndThePowerUpThatRunsDown) {
    struct row {
        int immunity, flight, no_trail;
        const char* line2;
    } cases[] = {
        {12, 5, 5, "Immunity:12"}, {0, 16, 5, "Flight:16"}, {0, 0, 30, "NoTrail:30"}, {0, 0, 0, ""},
    };
    g.score = 1234;
    for (const row& c : cases) {
        werase(stdscr);
        g.immunity = c.immunity;
        g.flight = c.flight;
        g.no_trail = c.no_trail;
        draw_status(g);
        EXPECT_EQ(screen.text(1, 12, 10), "Score:1234");
        std::string want = c.line2;
        EXPECT_EQ(screen.text(2, 12, static_cast<int>(want.size()) + 1), want + " ");
    }
}

TEST_F(VoltriderScreen, TheBannerTakesFourAndElevenColumnsAndLeavesTheStatusFree) {
    draw_banner();
    EXPECT_EQ(screen.text(0), std::string(80, ' '));
    for (int row : {1, 2}) {
        std::string text = screen.text(row);
        size_t end = text.find_last_not_of(' ');
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(end + 1, row == 1 ? 4u : 11u);
        EXPECT_EQ(attrs_at(row, static_cast<int>(end)), 0u);
    }
}

TEST_F(VoltriderScreen, AStopShowsTheVehicleAndReturnsTheKeyThatEndsIt) {
    screen.keys({'l'});
    g.cell(8, 37) = CELL_EMPTY;
    EXPECT_EQ(wait_at_stop(g), 'l');
    EXPECT_EQ(glyph_at(12, 38), ACS_PLUS & glyph_bits);
    EXPECT_EQ(attrs_at(12, 38), A_STANDOUT);
}

TEST_F(VoltriderScreen, AResizeDuringAStopOrAtTheGameOverLineDrawsTheScreenAgainChangingNothing) {
    // A terminal shrunk and grown again comes back blank where the small size ended.
    g.score = 42;
    g.cell(0, 0) = COUNTDOWN_START;
    g.cell(0, 1) = CELL_IMMUNITY;
    pse_hint_ticks = 5;
    flash_step = 3;
    werase(stdscr);
    screen.keys({KEY_RESIZE, 'l'});
    EXPECT_EQ(wait_at_stop(g), 'l');
    EXPECT_EQ(screen.text(1, 12, 8), "Score:42");
    EXPECT_EQ(glyph_at(3, 0), ACS_ULCORNER & glyph_bits);
    EXPECT_EQ(attrs_at(4, 1), A_STANDOUT | COLOR_PAIR(5));
    EXPECT_EQ(attrs_at(4, 2), COLOR_PAIR(4));
    EXPECT_EQ(attrs_at(12, 38), A_STANDOUT);
    EXPECT_EQ(screen.text(22, 0, 23), "Suffering PSE? Press e.");
    EXPECT_EQ(g.cell(0, 0), COUNTDOWN_START);
    EXPECT_EQ(flash_step, 3);
    EXPECT_EQ(pse_hint_ticks, 5);

    pse_hint_ticks = 0;
    screen.type_when_waiting({'x'});
    show_game_over(g);  // drawn once, as the game ends
    EXPECT_EQ(g.cell(0, 0), COUNTDOWN_START + 1);
    werase(stdscr);
    screen.type_when_waiting({KEY_RESIZE, KEY_RESIZE, 'x'});
    show_game_over(g);
    EXPECT_EQ(screen.text(22, 0, 46), "Game over! Press a key to see the high scores:");
    EXPECT_EQ(glyph_at(21, 76), ACS_LRCORNER & glyph_bits);
    EXPECT_EQ(g.cell(0, 0), COUNTDOWN_START + 2);
    EXPECT_EQ(flash_step, 5);
}

TEST_F(VoltriderScreen, SteeringKeysMeanTheirDirections) {
    struct row {
        int key;
        uint8_t dir;
    } cases[] = {
        {'k', DIR_UP},      {'w', DIR_UP},      {KEY_UP, DIR_UP},       {'j', DIR_DOWN},  {'s', DIR_DOWN},
        {KEY_DOWN, DIR_DOWN}, {'h', DIR_LEFT},  {'a', DIR_LEFT},        {KEY_LEFT, DIR_LEFT},
        {'l', DIR_RIGHT},   {'d', DIR_RIGHT},   {KEY_RIGHT, DIR_RIGHT}, {'q', DIR_NONE},  {ERR, DIR_NONE},
        {'e', DIR_NONE},    {'K', DIR_NONE},
    };
    for (const row& c : cases) EXPECT_EQ(meaning_of(c.key).dir, c.dir) << c.key;
}

TEST_F(VoltriderScreen, EveryKeyMeansOneThing) {
    struct row {
        int key;
        key_action action;
    } cases[] = {
        {'k', key_action::steer},         {KEY_LEFT, key_action::steer},    {'?', key_action::controls_help},
        {KEY_F(1), key_action::controls_help}, {'!', key_action::gameplay_help}, {KEY_F(2), key_action::gameplay_help},
        {'e', key_action::stop_flashing}, {'q', key_action::quit},          {27, key_action::quit},
        {'Q', key_action::none},          {'E', key_action::none},          {KEY_F(3), key_action::none},
        {ERR, key_action::none},          {'x', key_action::none},
    };
    for (const row& c : cases) EXPECT_EQ(meaning_of(c.key).action, c.action) << c.key;
}
