// The menu's keys turned into meanings; the screens act on the meanings only.
#include "input.h"

#include <curses.h>

namespace kelmora {

list_move list_key(int key) {
    switch (key) {
    case KEY_UP:
    case 'w':
        return list_move::up;
    case KEY_DOWN:
    case 's':
        return list_move::down;
    // Only newline: KEY_ENTER and carriage return choose nothing, and with the
    // terminal's usual settings the Enter key arrives as a newline.
    case '\n':
        return list_move::choose;
    case 'q':
    case 27:
        return list_move::leave;
    default:
        return list_move::none;
    }
}

name_edit name_key(int key) {
    if (key == '\n') return name_edit::take;
    // DEL too: many terminals send it for the backspace key whatever their description says.
    if (key == 8 || key == KEY_BACKSPACE || key == 127) return name_edit::erase;
    if (name_char(key)) return name_edit::type;
    return name_edit::none;
}

}  // namespace kelmora
