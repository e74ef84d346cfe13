// blockhop's keys and their meanings.
#include "input.h"

#include <curses.h>

namespace blockhop {

key_action meaning_of(int key) {
    if (key == '\n' || key == KEY_ENTER) return key_action::hop;
    if (key == 'q') return key_action::quit;
    if (key == KEY_F(1) || key == '?') return key_action::help;
    return key_action::none;
}

}  // namespace blockhop
