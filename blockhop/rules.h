// The squares, the marker walking around square 0, the hop and the combo that multiplies its points.
#pragma once

#include <cstdint>

namespace blockhop {

// Every square covers 13 rows by 25 columns: offsets 0..12 and 0..24.
constexpr int square_last_row = 12;
constexpr int square_last_col = 24;
// A new third square stands this far right of the second.
constexpr int square_spacing = 68;

// Square 0 carries the marker, square 1 is the next hop's target, square 2 the one after.
struct world {
    int square_top[3] = {5, 5, 5};
    int square_left[3] = {0, 68, 136};
    int player_row = 0;  // offset on square 0
    int player_col = 0;
    int combo = 1;       // lives across games; only a miss or the bottom-right corner resets it
    int64_t score = 0;
};

// A hop in the air. py and px are places in the unscrolled scene; s scrolls the view.
struct flight {
    float py = 0, px = 0;
    float dy = 0, dx = 0;
    float s = 0;
    bool follow = false;  // once on, the view holds the marker at the left edge
};

enum class hop_state { flying, missed, landed };

// A new game: squares and marker back at the start, score 0; the combo stays.
void new_game(world& w);

// One step clockwise around square 0; leaving the bottom-right corner drops the combo.
void walk_step(world& w);

// Takes off from the marker's place, away from square 0's centre.
flight start_hop(const world& w);

// Advances the hop by one animation frame, after that frame was drawn. A miss
// resets the combo; a landing scores and shifts the squares along.
hop_state hop_frame(world& w, flight& f);

// Where the frame drawn before hop_frame puts the squares and the marker on screen.
int scroll_columns(const flight& f);
int marker_screen_row(const flight& f);
int marker_screen_col(const flight& f);

}  // namespace blockhop
