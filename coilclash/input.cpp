// coilclash's keys and their meanings.
#include "input.h"

#include <curses.h>

#include "terminal.h"

namespace coilclash {

key_meaning meaning_of(int key) {
    constexpr int8_t not_a_turn = -1;
    const int8_t dir = direction_of_key(
        key, directions_as<int8_t>{.none = not_a_turn, .up = DIR_UP, .down = DIR_DOWN, .left = DIR_LEFT, .right = DIR_RIGHT});
    if (dir != not_a_turn) return {key_action::turn, dir};
    switch (key) {
        case 'p': return {key_action::pause};
        case 'q': case 27: return {key_action::quit};
        case '?': case KEY_F(1): return {key_action::controls_help};
        case '!': case KEY_F(2): return {key_action::gameplay_help};
        default: return {};
    }
}

}  // namespace coilclash
