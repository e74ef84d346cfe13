// Drawing of the pairs board, the help pages and the end screen.
#include "screens.h"

#include "draw.h"
#include "help_page.h"
#include "terminal.h"

namespace glyphpair {

attr_t glyph_colors[colour_count] = {A_NORMAL, A_NORMAL, A_NORMAL, A_NORMAL, A_NORMAL, A_NORMAL};

void init_glyph_colors(bool colours) {
    for (attr_t& a : glyph_colors) a = A_NORMAL;
    if (!colours) return;
    static const short foregrounds[colour_count] = {COLOR_YELLOW, COLOR_GREEN,   COLOR_BLUE,
                                                    COLOR_CYAN,   COLOR_MAGENTA, COLOR_RED};
    start_color();
    use_default_colors();
    for (int i = 0; i < colour_count; ++i) {
        init_pair(static_cast<short>(i + 1), foregrounds[i], -1);
        glyph_colors[i] = COLOR_PAIR(i + 1);
    }
}

// "glyph" in three rows, then "pair" between dots, the face of a hidden tile.
const char* const title_banner[3] = {
    " _ |   _ |_",
    "(_||\\/|_)| |",
    " _| / |  ..pair..",
};

void draw_title_banner(int row, int col) {
    for (int i = 0; i < 3; ++i) put(row + i, col, title_banner[i]);
}

void draw_tile_box(int row, int col) { draw_box(row, col, row + 9, col + 17); }

void draw_board(const board& b, int row, int col) {
    draw_tile_box(row, col);
    for (int i = 0; i < board_rows; ++i)
        for (int j = 0; j < board_cols; ++j) {
            chtype c = face_up(b, i, j) ? static_cast<chtype>(b.tiles[i][j]) : '.';
            if (b.cursor.row == i && b.cursor.col == j) c |= A_STANDOUT;
            put(row + 1 + i, col + 1 + j, c);
        }
}

namespace {

void draw_banner_at_top() { draw_title_banner(0, 0); }

const help_line controls_lines[] = {
    {"RETURN/ENTER : Reveal"},
    {"hjkl/ARROW KEYS : Move cursor"},
    {"q : Quit"},
    {"F1 & F2 : Help on controls & gameplay"},
    {"YOU CAN ALSO USE THE MOUSE!", A_BOLD},
    {""},
    {"Press a key to continue"},
};
const banner_page controls_page{draw_banner_at_top, "  **** THE CONTROLS ****", controls_lines};

const help_line gameplay_lines[] = {
    {"Click on a tile to see the glyph it contains,"},
    {"then try to find a matching glyph the same way."},
    {"They form a pair only when you click a tile"},
    {"directly after the match. The game ends when "},
    {"you have found all the matching pairs."},
};
const banner_page gameplay_page{draw_banner_at_top, "  **** THE GAMEPLAY ****", gameplay_lines};

}  // namespace

void draw_controls_page() { draw_help_page(controls_page); }

void draw_gameplay_page() { draw_help_page(gameplay_page); }

void draw_game(const board& b) {
    werase(stdscr);
    draw_title_banner(0, 0);
    draw_board(b, board_top, board_left);
    wrefresh(stdscr);
}

void show_controls_help() {
    show_help_page(controls_page);
    show_gameplay_help();
}

void show_gameplay_help() { show_help_page(gameplay_page); }

void draw_end_screen(long elapsed) {
    put(15, 0, time_spent(elapsed).c_str());
    // The question follows the result on its row, and only there; the cursor,
    // shown while the question waits, ends right after it.
    put(13, 0, "You solved it!");
    put(13, 14, " Wanna play again?(y/n)");
}

}  // namespace glyphpair
