// The high-score screen shown after a game, in its framed and printed layouts.
#pragma once

#include <curses.h>

#include <cstdint>
#include <functional>
#include <vector>

struct score_screen {
    enum layout { framed, printed };
    layout kind = framed;
    int shown = 11;                   // table lines shown at most
    const char* failure_text = "Could not open score file.";
    int64_t score = 0;                // the game's score, for the failure line

    // Framed layout: the border's attribute and the attribute everything else takes.
    attr_t frame_attr = A_STANDOUT;
    attr_t screen_attr = 0;

    // Printed layout: the first row under the header, the header itself and
    // the attributes the trophy cycles through (none: drawn plain).
    int origin_row = 3;
    std::function<void()> draw_header;
    std::vector<attr_t> trophy_attrs;
};

// Where a page's text ends: the row and column its printing goes on from. A
// table longer than the terminal ends past its last row.
struct page_end {
    int row;
    int col;
};

// Draws the trophy page (after a new record, waiting for a key) and the table
// read from score_stream, or the failure text when `result` is -10. Table rows
// that fall below the terminal's last row are left out.
page_end show_scores(int8_t result, const score_screen& screen);
