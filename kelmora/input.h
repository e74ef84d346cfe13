// What the menu's keys mean, screen by screen: the one place that knows key codes.
#pragma once

#include "rules.h"

namespace kelmora {

// A list (the main menu, the help page, the browser's list of tables).
list_move list_key(int key);

// The name-entry screen.
name_edit name_key(int key);

}  // namespace kelmora
