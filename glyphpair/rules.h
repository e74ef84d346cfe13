// The pairs board: tiles, dealing, turning tiles, the solved test, what a
// player's key or click does to the board, where a mouse event lands on the
// grid, how clicks are told from presses and releases, and the time line of
// the end screen.
#pragma once

#include <cstdint>
#include <string>

namespace glyphpair {

// A tile value: the glyph's character combined with its pair's colour
// attribute, laid out as a curses character so the screens draw it as is.
// Twins are the two tiles with equal values.
using tile_value = uint32_t;

constexpr int8_t board_rows = 8;
constexpr int8_t board_cols = 16;
constexpr int pair_count = 64;
constexpr int colour_count = 6;
constexpr int shuffle_exchanges = 192;

// Where the game draws the box; the tiles sit one row and column inside it,
// and the mouse is mapped back onto tiles with the same placement.
constexpr int board_top = 3;
constexpr int board_left = 0;

struct tile_pos {
    int8_t row = -1;
    int8_t col = -1;
    bool operator==(const tile_pos&) const = default;
};

constexpr tile_pos no_tile{-1, -1};

struct board {
    tile_value tiles[board_rows][board_cols] = {};
    uint8_t revealed[board_rows][board_cols] = {};  // 1: the pair is won, face up for good
    tile_pos open_tile = no_tile;                    // face up, waiting for its twin
    tile_pos cursor{0, 0};
};

enum direction { DIR_UP, DIR_DOWN, DIR_LEFT, DIR_RIGHT };

// The glyph of pair `a` (0 to 63): '1'-'9', 'a'-'z', 'A'-'P', then '!' to '-'.
char glyph_of_pair(int a);

// A new game's board before the deal: nothing won, nothing open, cursor at (0, 0).
void clear_board(board& b);

// A new game: the board cleared, then dealt.
void new_game(board& b, const tile_value colours[colour_count]);

// Lays the 64 pairs out in order, pair a taking colours[a mod 6], then makes
// 192 random exchanges.
void deal_tiles(board& b, const tile_value colours[colour_count]);

// Enter (or a click) on the cursor tile: it becomes the open tile, unless it
// is the open tile already or the open tile's twin, which wins the pair.
void reveal_tile(board& b);

bool all_matched(const board& b);

// Whether tile (row, col) shows its glyph: won, or the open tile.
bool face_up(const board& b, int row, int col);

// One step of the cursor; at the grid's edge it stays.
void move_cursor(board& b, direction d);

// The tile drawn at screen cell (y, x), or no_tile off the grid.
tile_pos tile_at(int y, int x);

// A mouse event at screen cell (y, x): on the grid the cursor moves there.
// True when the event should also turn that tile (a button-1 click on the grid).
bool point_at(board& b, int y, int x, bool button1_clicked);

// What a key or a mouse event means in a game.
enum class command { none, up, down, left, right, turn, point, click, controls_help, gameplay_help, quit };

// A meaning with the screen cell a point or a click landed on.
struct order {
    command what = command::none;
    int y = -1;
    int x = -1;
    bool operator==(const order&) const = default;
};

// Moves the cursor or turns a tile as `o` asks. The help pages and quitting
// leave the board as it is: they are the game loop's to act on.
void play_order(board& b, const order& o);

// What button 1 did in one mouse report: a press or a release on its own, or
// a whole click (a double or triple click included) told in one report.
// Any other report (other buttons, the wheel) is `other`.
enum class button1 { other, pressed, released, clicked };

struct mouse_report {
    int y = -1;
    int x = -1;
    button1 action = button1::other;
};

// The tile the last button-1 press landed on, until its release.
struct click_tracker {
    tile_pos pressed = no_tile;
};

// The meaning of one mouse report. A release on the tile of the press before
// it completes a click, however long the button was held and however soon
// the last click came; a press or a release that is not part of a click
// points only. Reports off the grid mean nothing.
order order_of_mouse(click_tracker& clicks, const mouse_report& r);

// "Time spent: h:mm:ss" with the minutes and seconds padded by blanks.
std::string time_spent(long elapsed);

}  // namespace glyphpair
