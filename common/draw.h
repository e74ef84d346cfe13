// Drawing helpers every program shares: blanking, the 80x24 frame, the dotted row.
#pragma once

#include <curses.h>

// Blanks rows top..bottom-1, columns left..right-1 with the window's current attributes.
void erase_rect(int top, int left, int bottom, int right);

// The 80x24 border of blanks carrying `attr`.
void draw_frame(attr_t attr);

// '.' in columns 1 to 78 of `row`.
void dot_row(int row);
