// ropeheave's keys and their meanings.
#include "input.h"

#include <curses.h>

namespace ropeheave {

key_action meaning_of(int key) {
    if (key == ERR) return key_action::none;
    if (key == 'q') return key_action::quit;
    if (key == KEY_F(1) || key == '?') return key_action::help;
    return key_action::type;
}

}  // namespace ropeheave
