// The two help-page layouts the games share: a page under the game's own banner,
// and the framed "GAME PLAY" page. Each game passes its texts and attributes.
#pragma once

#include <curses.h>

#include <chrono>
#include <span>

#include "terminal.h"

// One row of a page and the attribute added to it; an empty text leaves the row blank.
struct help_line {
    const char* text;
    attr_t attr = A_NORMAL;
};

// A page under the game's banner: the title in bold at row 3, column 0, then
// one row per line from row 4, column 0.
struct banner_page {
    void (*draw_banner)();
    const char* title;
    std::span<const help_line> lines;
};

// The framed page: the 80x24 area blanked with `screen_attr`, its border in
// `frame_attr`, "GAME PLAY" at row 1, column 36, then one row per line from
// row 3, column 1, the texts in `screen_attr` too.
struct framed_page {
    attr_t frame_attr;
    attr_t screen_attr;
    std::span<const char* const> lines;
};

// The page on an erased screen, refreshed. Texts are cut at the window's right
// edge: a narrow terminal loses the ends of lines, and no line runs on into the next row.
void draw_help_page(const banner_page& page);
void draw_help_page(const framed_page& page);

// The page, then one key through the shared wait; a resize draws the page
// anew for the new size. The reading mode before and after is the caller's.
// A banner page leaves the screen erased; a framed page stays for the game to draw over.
void show_help_page(const banner_page& page);
void show_help_page(const framed_page& page);

// Keeps a page up for `time` on the clock, whatever is typed: keys are read and
// dropped, a resize draws the page again with `redraw`, and neither ends the
// hold early. For cbreak reads (not half-delay); the window's delay is kept.
void hold_page(std::chrono::milliseconds time, const redraw_fn& redraw);
