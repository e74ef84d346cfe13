// The help pages every game shows, in their two layouts, and the timed hold of a page.
#include "help_page.h"

#include <unistd.h>

#include <algorithm>

#include "draw.h"

void draw_help_page(const banner_page& page) {
    werase(stdscr);
    page.draw_banner();
    put(3, 0, page.title, A_BOLD);
    int row = 4;
    for (const help_line& line : page.lines) put(row++, 0, line.text, line.attr);
    wrefresh(stdscr);
}

void draw_help_page(const framed_page& page) {
    // The whole window, not only the 80x24 area: a wider terminal would
    // otherwise keep the game's screen beside the page.
    werase(stdscr);
    attr_t saved_attrs;
    short saved_pair;
    wattr_get(stdscr, &saved_attrs, &saved_pair, nullptr);
    // The blanks take the window's attributes, so the page's colour fills the area.
    wattr_on(stdscr, page.screen_attr, nullptr);
    erase_rect(0, 0, 24, 80);
    draw_frame(page.frame_attr);
    put(1, 36, "GAME PLAY");
    int row = 3;
    for (const char* line : page.lines) put(row++, 1, line);
    wattr_set(stdscr, saved_attrs, saved_pair, nullptr);
    wrefresh(stdscr);
}

void show_help_page(const banner_page& page) {
    draw_help_page(page);
    wait_key(stdscr, {}, [&] { draw_help_page(page); });
    werase(stdscr);
}

void show_help_page(const framed_page& page) {
    draw_help_page(page);
    wait_key(stdscr, {}, [&] { draw_help_page(page); });
}

void hold_page(std::chrono::milliseconds time, const redraw_fn& redraw) {
    using clock = std::chrono::steady_clock;
    // A resize cuts a sleep short; one that comes between a read and the next
    // sleep is seen after at most a tenth of a second.
    constexpr auto longest_sleep = std::chrono::milliseconds(100);
    const auto until = clock::now() + time;
    const int delay = wgetdelay(stdscr);
    nodelay(stdscr, TRUE);
    for (auto now = clock::now(); now < until; now = clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(until - now);
        usleep(static_cast<useconds_t>(std::min<std::chrono::microseconds>(left, longest_sleep).count()));
        while (read_key(stdscr, redraw) != ERR) {
        }
    }
    wtimeout(stdscr, delay);
}
