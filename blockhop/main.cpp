// blockhop: a marker walks around a square; Enter makes it hop to the next one.
#include <unistd.h>

#include "rules.h"
#include "screens.h"
#include "terminal.h"

namespace {

enum class action { none, hop, quit, help };

action meaning(int key) {
    if (key == '\n' || key == KEY_ENTER) return action::hop;
    if (key == 'q') return action::quit;
    if (key == KEY_F(1) || key == '?') return action::help;
    return action::none;
}

void draw_frame_of(const world& w) {
    draw_play(w);
    wrefresh(stdscr);
}

void play(world& w) {
    new_game(w);
    werase(stdscr);
    instant_input();
    curs_set(0);
    for (;;) {
        draw_frame_of(w);
        const int key = read_key(stdscr, [&] { draw_frame_of(w); });
        // The walk comes first: a hop starts one step beyond the place just shown.
        walk_step(w);
        const action a = meaning(key);
        if (a == action::help) show_gameplay_help();
        if (a == action::hop && hop(w) == 0) return;
        if (a == action::quit) return;
        usleep(50000);
        // Whatever was typed during a hop or the help page is thrown away.
        if (key != ERR) flushinp();
    }
}

}  // namespace

int main() {
    if (start_curses()) init_palette();
    world w;
    do play(w);
    while (finish_game(w));
    endwin();
    return 0;
}
