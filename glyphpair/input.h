// Keys and mouse reports of the pairs game, turned into what they mean, once.
#pragma once

#include <curses.h>

#include "rules.h"
#include "terminal.h"

namespace glyphpair {

// Mouse reports on, each press and release read as the terminal sends it.
// Left to itself curses folds two clicks less than its click interval apart
// into one double click at the second place, even on different tiles, and it
// merges reports that arrive together into the newest: clicks would be lost.
// The game tells its clicks itself instead (order_of_mouse).
void start_mouse();

// While one lives, a click is one key, not two (only its release counts, see
// mouse_keys::ends_of_clicks): for the help pages and the end question. Nothing
// of a click that closes a page is left for the game after it.
class one_key_per_click {
public:
    one_key_per_click();
    ~one_key_per_click();
    one_key_per_click(const one_key_per_click&) = delete;
    one_key_per_click& operator=(const one_key_per_click&) = delete;

private:
    mouse_keys before_;
};

// What a key means in a game; the mouse key means nothing by itself.
command command_of_key(int key);

// A mouse report as the game sees it: where, and what button 1 did.
mouse_report report_of(const raw_mouse& report);

// The meaning of one key read in a game; for the mouse key, of the report
// read_key took with it.
order order_of_key(int key, click_tracker& clicks);

}  // namespace glyphpair
