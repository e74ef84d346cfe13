// The rules of blockhop over plain data; the screens draw what these leave behind.
#include "rules.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

namespace blockhop {

void new_game(world& w) {
    int combo = w.combo;
    w = world{};
    w.combo = combo;
}

void walk_step(world& w) {
    int& row = w.player_row;
    int& col = w.player_col;
    if (col == square_last_col) {
        if (row == square_last_row) {
            col = square_last_col - 1;
            w.combo = 1;
        } else {
            ++row;
        }
    } else if (col == 0) {
        if (row == 0) col = 1;
        else --row;
    } else if (row == 0) {
        ++col;
    } else {
        // Between hops the marker is always on the outline; only the bottom edge is left.
        assert(row == square_last_row);
        --col;
    }
}

flight start_hop(const world& w) {
    flight f;
    // Single precision throughout: landings at the edges of a square depend on it.
    f.dy = (static_cast<float>(w.player_row - 6) / 12.0f) * 0.5f;
    f.dx = static_cast<float>(w.player_col - 12) / 24.0f;
    f.py = static_cast<float>(w.square_top[0] + w.player_row);
    f.px = static_cast<float>(w.square_left[0] + w.player_col);
    return f;
}

namespace {

void land(world& w, const flight& f) {
    const int ry = static_cast<int>(roundf(f.py));
    const int rx = static_cast<int>(roundf(f.px));
    const bool edge_line = ry == w.square_top[1] || ry == w.square_top[1] + square_last_row;
    w.score += edge_line ? 101 * static_cast<int64_t>(w.combo) : w.combo;
    w.player_row = ry - w.square_top[1];
    w.player_col = rx - w.square_left[1];
    ++w.combo;
    // The scroll is folded into the columns, so the view need not be reset.
    w.square_top[0] = w.square_top[1];
    w.square_top[1] = w.square_top[2];
    w.square_left[0] = static_cast<int>(static_cast<float>(w.square_left[1]) + f.s);
    w.square_left[1] = static_cast<int>(static_cast<float>(w.square_left[2]) + f.s);
    w.square_left[2] = w.square_left[1] + square_spacing;
    w.square_top[2] = 5 + static_cast<int>(random() % 7);
}

}  // namespace

hop_state hop_frame(world& w, flight& f) {
    if (roundf(f.px) + roundf(f.s) <= 1) f.follow = true;
    f.px += f.dx;
    // Before following, the scene scrolls left twice as fast as the marker
    // advances, so the marker drifts to the left edge of the screen.
    if (f.follow) f.s = -f.px;
    else f.s -= 2 * f.dx;
    f.py += f.dy;

    const int target_top = w.square_top[1];
    const int target_left = w.square_left[1];
    if (f.py >= 23 || f.py <= 1 || f.px < -12 || f.px > static_cast<float>(target_left + 36)) {
        w.combo = 1;
        return hop_state::missed;
    }
    if (f.py >= static_cast<float>(target_top) && f.py <= static_cast<float>(target_top + square_last_row) &&
        f.px >= static_cast<float>(target_left) && roundf(f.px) <= static_cast<float>(target_left + square_last_col)) {
        land(w, f);
        return hop_state::landed;
    }
    return hop_state::flying;
}

int scroll_columns(const flight& f) { return static_cast<int>(f.s); }

int marker_screen_row(const flight& f) { return static_cast<int>(roundf(f.py)); }

int marker_screen_col(const flight& f) { return static_cast<int>(roundf(f.px) + roundf(f.s)); }

}  // namespace blockhop
