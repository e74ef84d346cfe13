// voltrider's keys and their meanings.
#include "input.h"

#include <curses.h>

#include "terminal.h"

namespace voltrider {

key_meaning meaning_of(int key) {
    const uint8_t dir = direction_of_key(
        key, directions_as<uint8_t>{.none = DIR_NONE, .up = DIR_UP, .down = DIR_DOWN, .left = DIR_LEFT, .right = DIR_RIGHT});
    if (dir != DIR_NONE) return {key_action::steer, dir};
    switch (key) {
    case '?':
    case KEY_F(1):
        return {key_action::controls_help};
    case '!':
    case KEY_F(2):
        return {key_action::gameplay_help};
    case 'e':
        return {key_action::stop_flashing};
    case 'q':
    case 27:  // a lone ESC: read_key drops Alt keys and unknown sequences
        return {key_action::quit};
    default:
        return {};
    }
}

}  // namespace voltrider
