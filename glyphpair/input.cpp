// Keys and mouse reports of the pairs game, turned into what they mean.
#include "input.h"

#include "terminal.h"

void start_mouse() { mousemask(ALL_MOUSE_EVENTS, nullptr); }

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

order order_of_key(int key) {
    if (key != KEY_MOUSE) return {command_of_key(key)};
    MEVENT event;
    if (getmouse(&event) != OK) return {};
    return {(event.bstate & BUTTON1_CLICKED) ? command::click : command::point, event.y, event.x};
}
