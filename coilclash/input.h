// coilclash's keys: each raw key code is turned into its meaning here, once.
#pragma once

#include <cstdint>

#include "arena.h"

namespace coilclash {

// What a key means during play; raw key codes stop here.
enum class key_action { none, turn, pause, quit, controls_help, gameplay_help };
struct key_meaning {
    key_action action = key_action::none;
    int8_t dir = DIR_UP;  // for key_action::turn
};
key_meaning meaning_of(int key);

}  // namespace coilclash
