// Keys and mouse reports of the pairs game, turned into what they mean.
#include "input.h"

#include "terminal.h"

namespace glyphpair {

namespace {

// Curses' own interval, for the screens that keep folded clicks.
int folding_interval = 0;

}  // namespace

void start_mouse() {
    mousemask(ALL_MOUSE_EVENTS, nullptr);
    // Without a click interval every report comes as it is and none waits for
    // the next: the same on terminals whose releases name no button and on those that do.
    folding_interval = mouseinterval(0);
}

folded_clicks::folded_clicks() : before_(mouseinterval(folding_interval)) {}

folded_clicks::~folded_clicks() { mouseinterval(before_); }

command command_of_key(int key) {
    const command move = direction_of_key(
        key, directions_as<command>{
                 .none = command::none, .up = command::up, .down = command::down, .left = command::left, .right = command::right});
    if (move != command::none) return move;
    switch (key) {
    case '\n':
    case KEY_ENTER:
        return command::turn;
    case '?':
    case KEY_F(1):
        return command::controls_help;
    case '!':
    case KEY_F(2):
        return command::gameplay_help;
    case 'q':
    case 27:
        return command::quit;
    default:
        return command::none;
    }
}

mouse_report report_of(const MEVENT& event) {
    mouse_report r{event.y, event.x, button1::other};
    if (event.bstate & (BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON1_TRIPLE_CLICKED))
        r.action = button1::clicked;
    else if (event.bstate & BUTTON1_PRESSED)
        r.action = button1::pressed;
    else if (event.bstate & BUTTON1_RELEASED)
        r.action = button1::released;
    return r;
}

order order_of_key(int key, click_tracker& clicks) {
    if (key != KEY_MOUSE) return {command_of_key(key)};
    MEVENT event;
    if (getmouse(&event) != OK) return {};
    return order_of_mouse(clicks, report_of(event));
}

}  // namespace glyphpair
