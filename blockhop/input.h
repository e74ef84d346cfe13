// blockhop's keys: each raw key code is turned into its meaning here, once.
#pragma once

namespace blockhop {

enum class key_action { none, hop, quit, help };

// Enter (or the keypad's) hops, 'q' ends the game, F1 or '?' shows the help; any other key, or none, means nothing.
key_action meaning_of(int key);

}  // namespace blockhop
