// Keys and mouse reports of the pairs game, turned into what they mean, once.
#pragma once

#include <curses.h>

#include "rules.h"

// Mouse reports on.
void start_mouse();

// What a key means in a game; the mouse key means nothing by itself.
command command_of_key(int key);

// The meaning of one key read in a game; for the mouse key, of the event it
// announces, which it reads.
order order_of_key(int key);
