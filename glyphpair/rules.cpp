// Rules of the pairs board, over plain data.
#include "rules.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace glyphpair {

char glyph_of_pair(int a) {
    if (a < 9) return static_cast<char>('1' + a);
    if (a < 35) return static_cast<char>('a' + a - 9);
    if (a < 51) return static_cast<char>('A' + a - 35);
    return static_cast<char>('!' + a - 51);
}

void clear_board(board& b) {
    for (auto& row : b.revealed)
        for (auto& flag : row) flag = 0;
    b.open_tile = no_tile;
    b.cursor = {0, 0};
}

void new_game(board& b, const tile_value colours[colour_count]) {
    clear_board(b);
    deal_tiles(b, colours);
}

void deal_tiles(board& b, const tile_value colours[colour_count]) {
    for (int p = 0; p < board_rows * board_cols; ++p) {
        const int a = p / 2;
        b.tiles[p / board_cols][p % board_cols] =
            static_cast<unsigned char>(glyph_of_pair(a)) | colours[a % colour_count];
    }
    for (int i = 0; i < shuffle_exchanges; ++i) {
        // Four draws in this order, so a seed always deals the same board.
        const long r1 = random() % board_rows;
        const long c1 = random() % board_cols;
        const long r2 = random() % board_rows;
        const long c2 = random() % board_cols;
        std::swap(b.tiles[r1][c1], b.tiles[r2][c2]);
    }
}

void reveal_tile(board& b) {
    const tile_pos c = b.cursor;
    tile_pos& open = b.open_tile;
    if (open == no_tile || b.tiles[c.row][c.col] != b.tiles[open.row][open.col]) {
        open = c;
        return;
    }
    if (c == open) return;
    // The twin right after its partner. The open tile stays where it is: it is
    // won now, and the next tile that differs simply takes its place.
    b.revealed[c.row][c.col] = 1;
    b.revealed[open.row][open.col] = 1;
}

bool all_matched(const board& b) {
    for (const auto& row : b.revealed)
        for (uint8_t flag : row)
            if (flag != 1) return false;
    return true;
}

bool face_up(const board& b, int row, int col) {
    return b.revealed[row][col] == 1 || (b.open_tile.row == row && b.open_tile.col == col);
}

void move_cursor(board& b, direction d) {
    tile_pos& c = b.cursor;
    switch (d) {
    case DIR_UP:
        if (c.row > 0) --c.row;
        break;
    case DIR_DOWN:
        if (c.row < board_rows - 1) ++c.row;
        break;
    case DIR_LEFT:
        if (c.col > 0) --c.col;
        break;
    case DIR_RIGHT:
        if (c.col < board_cols - 1) ++c.col;
        break;
    }
}

tile_pos tile_at(int y, int x) {
    const int row = y - (board_top + 1);
    const int col = x - (board_left + 1);
    if (row < 0 || row >= board_rows || col < 0 || col >= board_cols) return no_tile;
    return {static_cast<int8_t>(row), static_cast<int8_t>(col)};
}

bool point_at(board& b, int y, int x, bool button1_clicked) {
    const tile_pos t = tile_at(y, x);
    if (t == no_tile) return false;
    b.cursor = t;
    return button1_clicked;
}

void play_order(board& b, const order& o) {
    switch (o.what) {
    case command::up:
        move_cursor(b, DIR_UP);
        break;
    case command::down:
        move_cursor(b, DIR_DOWN);
        break;
    case command::left:
        move_cursor(b, DIR_LEFT);
        break;
    case command::right:
        move_cursor(b, DIR_RIGHT);
        break;
    case command::turn:
        reveal_tile(b);
        break;
    case command::point:
        point_at(b, o.y, o.x, false);
        break;
    case command::click:
        if (point_at(b, o.y, o.x, true)) reveal_tile(b);
        break;
    case command::controls_help:
    case command::gameplay_help:
    case command::quit:
    case command::none:
        break;
    }
}

order order_of_mouse(click_tracker& clicks, const mouse_report& r) {
    const tile_pos t = tile_at(r.y, r.x);
    bool clicked = false;
    switch (r.action) {
    case button1::pressed:
        clicks.pressed = t;
        break;
    case button1::released:
        // A press on one tile and a release on another is a drag, not a click.
        clicked = t != no_tile && t == clicks.pressed;
        clicks.pressed = no_tile;
        break;
    case button1::clicked:
        clicked = true;
        clicks.pressed = no_tile;
        break;
    case button1::other:
        break;
    }
    if (t == no_tile) return {};
    return {clicked ? command::click : command::point, r.y, r.x};
}

std::string time_spent(long elapsed) {
    // A clock set back during the game would otherwise show negative fields.
    if (elapsed < 0) elapsed = 0;
    char line[64];
    snprintf(line, sizeof line, "Time spent: %ld:%2ld:%2ld", elapsed / 3600, elapsed % 3600 / 60, elapsed % 60);
    return line;
}

}  // namespace glyphpair
