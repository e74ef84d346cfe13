// Keys and mouse reports of the pairs game, turned into what they mean, once.
#pragma once

#include <curses.h>

#include "rules.h"

namespace glyphpair {

// Mouse reports on, each press and release as the terminal sends it. Left to
// itself curses folds two clicks less than its click interval apart into one
// double click at the second place, even on different tiles, and the first
// click is lost; the game tells its clicks itself instead (order_of_mouse).
void start_mouse();

// While one lives, curses folds presses and releases into clicks again: the
// help pages and the end question take a click as one key, not two.
class folded_clicks {
public:
    folded_clicks();
    ~folded_clicks();
    folded_clicks(const folded_clicks&) = delete;
    folded_clicks& operator=(const folded_clicks&) = delete;

private:
    int before_;
};

// What a key means in a game; the mouse key means nothing by itself.
command command_of_key(int key);

// A mouse event as plain data: where, and what button 1 did.
mouse_report report_of(const MEVENT& event);

// The meaning of one key read in a game; for the mouse key, of the event it
// announces, which it reads.
order order_of_key(int key, click_tracker& clicks);

}  // namespace glyphpair
