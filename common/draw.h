// Drawing helpers every program shares: clipped cells and text, the box, blanking, the 80x24 frame, the dotted row.
#pragma once

#include <curses.h>

// Blanks rows top..bottom-1, columns left..right-1 with the window's current attributes.
void erase_rect(int top, int left, int bottom, int right);

// The 80x24 border of blanks carrying `attr`.
void draw_frame(attr_t attr);

// '.' in columns 1 to 78 of `row`.
void dot_row(int row);

// One cell, skipped when it falls outside the window.
void put(int row, int col, chtype c);

// Text one byte a cell, each cell after a cursor move of its own: whatever
// falls outside the window is skipped, and nothing wraps onto the next row.
// The window's own attributes still apply; `attr` is added to them.
void put(int row, int col, const char* text, attr_t attr = A_NORMAL);

// Formatted text, written like put_clipped: a number that grows runs off at
// `end` or the window's edge instead of onto the next row. Longer than 255
// bytes is cut.
void put_format(int row, int col, int end, const char* format, ...) __attribute__((format(printf, 4, 5)));

// Text that may hold multi-byte characters, from (row, col), cut before column
// `end` and the window's right edge, and never inside a character: curses would
// carry the rest over to the next row. `attr` is added for this text only.
void put_clipped(int row, int col, int end, const char* text, attr_t attr = A_NORMAL);

// A box of line-drawing characters with its corners at (top, left) and (bottom, right).
void draw_box(int top, int left, int bottom, int right);
