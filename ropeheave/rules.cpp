// Rules of the typing race, over plain data.
#include "rules.h"

#include <cstdlib>
#include <cstring>

namespace ropeheave {

namespace {

// The numeric keypad's order, then the home row.
const char digit_table[] = "7894561230";
const char home_row_table[] = "asdfghjkl;'";

char new_character(const race& r) {
    char c = digit_table[random() % 10];
    // A home-row refill draws a digit first and replaces it, so it takes two numbers.
    if (r.home_row) c = home_row_table[random() % 11];
    return c;
}

}  // namespace

void fill_queue(race& r) {
    for (int i = 0; i < 9; ++i)
        r.queue[i] = r.home_row ? home_row_table[random() % 11] : digit_table[random() % 10];
    r.queue[9] = '\0';
}

void start_level(race& r) {
    r.rope_pos = start_rope_pos;
    r.pace = r.level < 5 ? 20 >> r.level : 0;
    r.ticks = 0;
}

void start_game(race& r) {
    r.score = 0;
    r.level = 0;
    start_level(r);
}

void type_key(race& r, int key) {
    if (key == static_cast<unsigned char>(r.queue[0])) {
        std::memmove(r.queue, r.queue + 1, 8);
        r.queue[8] = new_character(r);
        r.rope_pos -= 1;
        r.score += int64_t{1} << (3 * r.level);
    }
    if (!r.home_row && key == 'h') {
        r.home_row = true;
        fill_queue(r);
    }
}

tick_end end_tick(race& r) {
    r.ticks += 1;
    if (r.ticks > r.pace) {
        r.rope_pos += 1;
        r.ticks = 0;
    }
    if (r.rope_pos > losing_rope_pos) return tick_end::lost;
    if (r.rope_pos <= winning_rope_pos) {
        r.level += 1;
        start_level(r);
        return tick_end::level_won;
    }
    return tick_end::playing;
}

}  // namespace ropeheave
