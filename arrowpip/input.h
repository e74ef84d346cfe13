// arrowpip's keys: each raw key code is turned into its meaning here, once.
#pragma once

namespace arrowpip {

// What a key read in a tick means; the raw key codes stop here.
enum class key_action {
    none,  // no key came
    help,  // F1 or '?'
    play,  // any other key, for the rules: a letter fires, 'q' and ESC end the game
};
key_action meaning_of(int key);

}  // namespace arrowpip
