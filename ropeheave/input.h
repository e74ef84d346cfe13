// ropeheave's keys: each raw key code is turned into its meaning here, once.
#pragma once

namespace ropeheave {

// What a key read in a tick means; the raw key codes stop here.
enum class key_action {
    none,  // no key came
    type,  // a character for the race: it may match the queue, 'h' switches to the home row
    quit,  // 'q' ends the game
    help,  // F1 or '?'
};
key_action meaning_of(int key);

}  // namespace ropeheave
