// The pairs game on a virtual screen: the board's layout, the cursor, colours,
// the help pages, the end screen, and keys and mouse events fed to the game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "input.h"
#include "rules.h"
#include "screens.h"
#include "terminal.h"
#include "virtual_screen.h"

using namespace glyphpair;

namespace {

int glyph_index(char glyph) {
    for (int a = 0; a < pair_count; ++a)
        if (glyph_of_pair(a) == glyph) return a;
    return -1;
}

board dealt_board(unsigned seed) {
    srandom(seed);
    board b;
    deal_tiles(b, glyph_colors);
    return b;
}

char acs(chtype c) { return static_cast<char>(c & A_CHARTEXT); }

// A key as the game takes it: its meaning, then what that does to the board;
// false when it quits.
bool play_key(board& b, int key, click_tracker& clicks) {
    const order o = order_of_key(key, clicks);
    play_order(b, o);
    return o.what != command::quit;
}

TEST(GlyphpairScreen, BannerAndBoxFrameTheGridAtRowThree) {
    virtual_screen vs;
    init_glyph_colors(false);
    draw_game(dealt_board(5));

    const size_t widths[3] = {11, 12, 17};
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(vs.text(y, 0, 17), std::string(title_banner[y]).append(17 - strlen(title_banner[y]), ' '));
        EXPECT_LE(strlen(title_banner[y]), widths[y]);
        EXPECT_EQ(vs.attr(y, 1) & ~A_CHARTEXT, A_NORMAL);
    }
    EXPECT_EQ(vs.ch(3, 0), acs(ACS_ULCORNER));
    EXPECT_EQ(vs.ch(3, 17), acs(ACS_URCORNER));
    EXPECT_EQ(vs.ch(12, 0), acs(ACS_LLCORNER));
    EXPECT_EQ(vs.ch(12, 17), acs(ACS_LRCORNER));
    for (int x = 1; x <= 16; ++x) {
        EXPECT_EQ(vs.ch(3, x), acs(ACS_HLINE)) << "top, column " << x;
        EXPECT_EQ(vs.ch(12, x), acs(ACS_HLINE)) << "bottom, column " << x;
    }
    for (int y = 4; y <= 11; ++y) {
        EXPECT_EQ(vs.ch(y, 0), acs(ACS_VLINE)) << "left, row " << y;
        EXPECT_EQ(vs.ch(y, 17), acs(ACS_VLINE)) << "right, row " << y;
        EXPECT_EQ(vs.text(y, 1, 16), std::string(16, '.')) << "row " << y;
        EXPECT_EQ(vs.text(y, 18), std::string(80 - 18, ' ')) << "row " << y;
    }
    EXPECT_EQ(vs.text(13), std::string(80, ' '));
}

TEST(GlyphpairScreen, CursorStandsOutFaceUpOrDown) {
    virtual_screen vs;
    init_glyph_colors(false);
    board b = dealt_board(9);
    b.open_tile = {5, 6};
    b.revealed[7][15] = 1;
    b.revealed[0][0] = 1;

    struct cell_case {
        tile_pos cursor;
        tile_pos looked_at;
        bool face_up;
        bool standout;
    };
    const std::vector<cell_case> cases = {
        {{2, 3}, {2, 3}, false, true},   // '.' in standout
        {{2, 3}, {2, 4}, false, false},  // its neighbour: plain '.'
        {{2, 3}, {5, 6}, true, false},   // the open tile
        {{5, 6}, {5, 6}, true, true},    // the cursor on the open tile
        {{0, 0}, {0, 0}, true, true},    // the cursor on a won tile
        {{0, 0}, {7, 15}, true, false},  // a won tile
    };
    for (const auto& c : cases) {
        b.cursor = c.cursor;
        werase(stdscr);
        draw_board(b, board_top, board_left);
        const int y = 4 + c.looked_at.row, x = 1 + c.looked_at.col;
        const char expected = c.face_up ? static_cast<char>(b.tiles[c.looked_at.row][c.looked_at.col] & A_CHARTEXT) : '.';
        EXPECT_EQ(vs.ch(y, x), expected) << "cell " << y << "," << x;
        EXPECT_EQ((vs.attr(y, x) & A_STANDOUT) != 0, c.standout) << "cell " << y << "," << x;
    }
}

TEST(GlyphpairScreen, GlyphsTakeTheirPairColourOnlyWithColours) {
    virtual_screen vs;
    init_glyph_colors(true);
    const short fg[6] = {COLOR_YELLOW, COLOR_GREEN, COLOR_BLUE, COLOR_CYAN, COLOR_MAGENTA, COLOR_RED};
    for (short p = 1; p <= 6; ++p) {
        short f, bg;
        pair_content(p, &f, &bg);
        EXPECT_EQ(f, fg[p - 1]) << "pair " << p;
        EXPECT_EQ(bg, -1) << "pair " << p;
    }
    board b = dealt_board(11);
    for (auto& row : b.revealed)
        for (auto& flag : row) flag = 1;
    draw_board(b, board_top, board_left);
    for (int y = 4; y <= 11; ++y)
        for (int x = 1; x <= 16; ++x) {
            const int a = glyph_index(vs.ch(y, x));
            ASSERT_GE(a, 0) << "cell " << y << "," << x;
            EXPECT_EQ(vs.pair(y, x), a % 6 + 1) << "glyph " << vs.ch(y, x);
        }

    init_glyph_colors(false);
    b = dealt_board(11);
    for (auto& row : b.revealed)
        for (auto& flag : row) flag = 1;
    werase(stdscr);
    draw_board(b, board_top, board_left);
    for (int y = 4; y <= 11; ++y)
        for (int x = 1; x <= 16; ++x) {
            EXPECT_GE(glyph_index(vs.ch(y, x)), 0) << "cell " << y << "," << x;
            EXPECT_EQ(vs.pair(y, x), 0) << "cell " << y << "," << x;
        }
}

TEST(GlyphpairScreen, HelpPagesUnderTheBanner) {
    virtual_screen vs;
    draw_controls_page();
    EXPECT_EQ(vs.text(0, 0, 11), title_banner[0]);
    const std::vector<std::pair<int, std::string>> controls = {
        {3, "  **** THE CONTROLS ****"},
        {4, "RETURN/ENTER : Reveal"},
        {5, "hjkl/ARROW KEYS : Move cursor"},
        {6, "q : Quit"},
        {7, "F1 & F2 : Help on controls & gameplay"},
        {8, "YOU CAN ALSO USE THE MOUSE!"},
        {9, ""},
        {10, "Press a key to continue"},
    };
    for (const auto& [y, line] : controls) EXPECT_EQ(vs.text(y, 0, 40), line + std::string(40 - line.size(), ' '));
    for (int y : {3, 8}) EXPECT_TRUE(vs.attr(y, 5) & A_BOLD) << "row " << y;
    for (int y : {4, 5, 6, 7, 10}) EXPECT_FALSE(vs.attr(y, 5) & A_BOLD) << "row " << y;

    draw_gameplay_page();
    EXPECT_EQ(vs.text(0, 0, 11), title_banner[0]);
    const std::vector<std::pair<int, std::string>> gameplay = {
        {3, "  **** THE GAMEPLAY ****"},
        {4, "Click on a tile to see the glyph it contains,"},
        {5, "then try to find a matching glyph the same way."},
        {6, "They form a pair only when you click a tile"},
        {7, "directly after the match. The game ends when "},
        {8, "you have found all the matching pairs."},
        {9, ""},
    };
    for (const auto& [y, line] : gameplay) EXPECT_EQ(vs.text(y, 0, 50), line + std::string(50 - line.size(), ' '));
    EXPECT_TRUE(vs.attr(3, 5) & A_BOLD);
    EXPECT_FALSE(vs.attr(4, 5) & A_BOLD);
}

TEST(GlyphpairScreen, EndScreenShowsResultQuestionAndTime) {
    virtual_screen vs;
    draw_end_screen(185);
    EXPECT_EQ(vs.text(13, 0, 40), "You solved it! Wanna play again?(y/n)   ");
    EXPECT_EQ(vs.text(15, 0, 22), "Time spent: 0: 3: 5   ");
}

TEST(GlyphpairScreen, ANarrowTerminalCutsLinesInsteadOfWrappingThem) {
    // 30 columns: every long line loses its end, and the row below keeps its own text.
    virtual_screen vs(24, 30);
    struct row_case {
        int y;
        std::string text;
    };
    draw_gameplay_page();
    for (const auto& [y, text] : std::vector<row_case>{{4, "Click on a tile to see the gly"},
                                                      {5, "then try to find a matching gl"},
                                                      {8, "you have found all the matchin"},
                                                      {9, std::string(30, ' ')}})
        EXPECT_EQ(vs.text(y), text) << "gameplay page, row " << y;
    draw_controls_page();
    for (const auto& [y, text] : std::vector<row_case>{{7, "F1 & F2 : Help on controls & g"},
                                                      {8, "YOU CAN ALSO USE THE MOUSE!   "},
                                                      {9, std::string(30, ' ')}})
        EXPECT_EQ(vs.text(y), text) << "controls page, row " << y;
    werase(stdscr);
    draw_end_screen(185);
    EXPECT_EQ(vs.text(13), "You solved it! Wanna play agai");
    EXPECT_EQ(vs.text(14), std::string(30, ' '));
    EXPECT_EQ(vs.text(15), "Time spent: 0: 3: 5           ");
}

TEST(GlyphpairKeys, EachKeyDoesItsOneThing) {
    struct key_case {
        int key;
        tile_pos cursor;
        tile_pos open;
        bool goes_on;
    };
    // From the cursor at (3, 3), nothing open.
    const std::vector<key_case> cases = {
        {'k', {2, 3}, no_tile, true},       {'w', {2, 3}, no_tile, true},    {KEY_UP, {2, 3}, no_tile, true},
        {'j', {4, 3}, no_tile, true},       {'s', {4, 3}, no_tile, true},    {KEY_DOWN, {4, 3}, no_tile, true},
        {'h', {3, 2}, no_tile, true},       {'a', {3, 2}, no_tile, true},    {KEY_LEFT, {3, 2}, no_tile, true},
        {'l', {3, 4}, no_tile, true},       {'d', {3, 4}, no_tile, true},    {KEY_RIGHT, {3, 4}, no_tile, true},
        {'\n', {3, 3}, {3, 3}, true},       {KEY_ENTER, {3, 3}, {3, 3}, true}, {'x', {3, 3}, no_tile, true},
        {'\r', {3, 3}, no_tile, true},      {'q', {3, 3}, no_tile, false},   {27, {3, 3}, no_tile, false},
    };
    virtual_screen vs;
    for (const auto& c : cases) {
        board b = dealt_board(2);
        b.cursor = {3, 3};
        click_tracker clicks;
        EXPECT_EQ(play_key(b, c.key, clicks), c.goes_on) << "key " << c.key;
        EXPECT_EQ(b.cursor, c.cursor) << "key " << c.key;
        EXPECT_EQ(b.open_tile, c.open) << "key " << c.key;
    }
}

// A report of button `button` (0 for a release naming none) at screen cell
// (y, x), as a terminal with the decimal encoding sends it.
std::string report(int y, int x, int button, bool press) {
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(x + 1) + ";" + std::to_string(y + 1) + (press ? "M" : "m");
}

std::string click_at(int y, int x, int button = 0) { return report(y, x, button, true) + report(y, x, button, false); }

// Queues `bytes` for the next reads, then plays every key they make.
void play_bytes(board& b, click_tracker& clicks, const std::string& bytes) {
    for (auto c = bytes.rbegin(); c != bytes.rend(); ++c) ungetch(static_cast<unsigned char>(*c));
    nodelay(stdscr, TRUE);
    for (int key = read_key(stdscr); key != ERR; key = read_key(stdscr)) play_key(b, key, clicks);
    nodelay(stdscr, FALSE);
}

TEST(GlyphpairMouse, ClickMovesTheCursorAndTurnsItsTile) {
    virtual_screen vs;
    start_mouse();
    struct report_case {
        const char* what;
        std::string bytes;
        tile_pos cursor;
        bool turns;
    };
    const std::vector<report_case> cases = {
        {"a click", click_at(7, 8), {3, 7}, true},
        {"a double click", click_at(7, 8) + click_at(7, 8), {3, 7}, true},
        {"a triple click", click_at(7, 8) + click_at(7, 8) + click_at(7, 8), {3, 7}, true},
        {"a press", report(7, 8, 0, true), {3, 7}, false},
        {"a release", report(7, 8, 0, false), {3, 7}, false},
        {"a button-3 click", click_at(7, 8, 2), {3, 7}, false},
        {"the wheel", report(7, 8, 64, true), {3, 7}, false},
        {"a click on the banner", click_at(1, 4), {1, 1}, false},
        {"a click on the box", click_at(12, 8), {1, 1}, false},
        {"a click below it", click_at(14, 8), {1, 1}, false},
    };
    for (const auto& c : cases) {
        board b = dealt_board(4);
        b.cursor = {1, 1};
        click_tracker clicks;
        play_bytes(b, clicks, c.bytes);
        EXPECT_EQ(b.cursor, c.cursor) << c.what;
        EXPECT_EQ(b.open_tile, c.turns ? c.cursor : no_tile) << c.what;
    }
}

TEST(GlyphpairGame, KeysPlayTheBoardAndANewGameStartsClean) {
    virtual_screen vs;
    init_glyph_colors(false);
    board b;
    new_game(b, glyph_colors);
    click_tracker clicks;
    for (int key : {'l', '\n'}) EXPECT_TRUE(play_key(b, key, clicks));
    EXPECT_FALSE(play_key(b, 'q', clicks));
    draw_game(b);
    EXPECT_EQ(b.open_tile, (tile_pos{0, 1}));
    EXPECT_NE(vs.ch(4, 2), '.');
    EXPECT_TRUE(vs.attr(4, 2) & A_STANDOUT);
    EXPECT_EQ(vs.ch(4, 1), '.');

    // A new game starts from a clean board, whatever the last one left.
    b.revealed[7][7] = 1;
    new_game(b, glyph_colors);
    play_key(b, 'j', clicks);
    draw_game(b);
    EXPECT_EQ(b.cursor, (tile_pos{1, 0}));
    EXPECT_EQ(b.open_tile, no_tile);
    EXPECT_EQ(b.revealed[7][7], 0);
    EXPECT_TRUE(vs.attr(5, 1) & A_STANDOUT);
}

}  // namespace
