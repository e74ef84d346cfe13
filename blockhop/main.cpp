// blockhop: a marker walks around a square; Enter makes it hop to the next one.
#include <unistd.h>

#include <optional>

#include "input.h"
#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace blockhop {

namespace {

// The frame last drawn, a walk's or a hop's, kept for the game-over prompt to draw again after
// a resize: by then the world has moved on (a walk step after the frame, a miss's combo).
struct shown_frame {
    world w;
    std::optional<flight> hop;

    void draw() const {
        if (hop) draw_hop(w, *hop);
        else draw_play(w);
    }
};

void draw_frame_of(const world& w) {
    draw_play(w);
    wrefresh(stdscr);
}

// Flies a whole hop, frame by frame. True when the marker landed.
bool fly_hop(world& w, shown_frame& shown) {
    flight f = start_hop(w);
    for (;;) {
        draw_hop(w, f);
        shown = {w, f};
        const hop_state state = hop_frame(w, f);
        // The last frame is not refreshed here: a landing's is replaced by the play frame, a miss's
        // stays under the game-over prompt.
        if (state != hop_state::flying) return state == hop_state::landed;
        wrefresh(stdscr);
        // About 60 frames a second, twice that once the view follows the marker.
        usleep(f.follow ? 8333 : 16666);
    }
}

void play(world& w, shown_frame& shown) {
    new_game(w);
    werase(stdscr);
    instant_input();
    curs_set(0);
    for (;;) {
        draw_frame_of(w);
        shown = {w, std::nullopt};
        const int key = read_key(stdscr, [&] { draw_frame_of(w); });
        // The walk comes first: a hop starts one step beyond the place just shown.
        walk_step(w);
        const key_action a = meaning_of(key);
        if (a == key_action::help) show_gameplay_help();
        if (a == key_action::hop && !fly_hop(w, shown)) return;
        if (a == key_action::quit) return;
        usleep(50000);
        // Whatever was typed during a hop or the help page is thrown away.
        if (key != ERR) flushinp();
    }
}

}  // namespace

}  // namespace blockhop

int main() {
    using namespace blockhop;
    if (start_curses()) init_palette();
    world w;
    shown_frame shown;
    do play(w, shown);
    while (finish_game(w, [&] { shown.draw(); }));
    endwin();
    return 0;
}
