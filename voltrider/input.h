// voltrider's keys: each raw key code is turned into its meaning here, once.
#pragma once

#include "rules.h"

namespace voltrider {

// The four steering directions (hjkl, wasd, the arrows), '?' or F1 and '!' or F2 for the help
// pages, 'e' for no more flashing, 'q' or a lone ESC to quit; any other key, or none, means nothing.
key_meaning meaning_of(int key);

}  // namespace voltrider
