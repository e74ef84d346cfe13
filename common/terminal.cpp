// Start-up, SIGINT and key reads shared by every program.
#include "terminal.h"

#include "privilege.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <unistd.h>

void refuse_arguments(int argc) {
    if (argc <= 1) return;
    fputs("This game doesn't take arguments", stdout);
    // Out before curses takes the screen.
    fflush(stdout);
}

namespace {

[[noreturn]] void leave_saying_quit(int status) {
    endwin();
    puts("Quit.");
    exit(status);
}

}  // namespace

void quit_on_signal(int signo) { leave_saying_quit(signo); }

void quit_program() { leave_saying_quit(0); }

bool colours_wanted() {
    const char* no_color = getenv("NO_COLOR");
    if (no_color != nullptr && *no_color != '\0') return false;
    return has_colors();
}

bool start_curses() {
    // A set-group-id game holds its group only while it merges a result.
    drop_group_privilege();
    signal(SIGINT, quit_on_signal);
    // Without the locale, line-drawing characters come out as letters in UTF-8 terminals.
    setlocale(LC_ALL, "");
    initscr();
    noecho();
    cbreak();
    keypad(stdscr, TRUE);
    // ESC quits or ends a game; the default second of waiting for an escape sequence feels broken.
    set_escdelay(25);
    srandom(static_cast<unsigned>(time(nullptr) % 4294967295));
    bool colours = colours_wanted();
    curs_set(0);
    return colours;
}

void blocking_input() {
    nocbreak();
    cbreak();
}

void repaint() {
    redrawwin(stdscr);
    wrefresh(stdscr);
}

int read_key(WINDOW* w, const redraw_fn& redraw) {
    for (;;) {
        int key = wgetch(w);
        if (key != KEY_RESIZE) return key;
        if (redraw) redraw();
        else repaint();
    }
}

page_copy::page_copy() : copy_(newpad(getmaxy(stdscr), getmaxx(stdscr))) {
    if (copy_ != nullptr) overwrite(stdscr, copy_);
}

page_copy::~page_copy() {
    if (copy_ != nullptr) delwin(copy_);
}

void page_copy::restore() const {
    if (copy_ != nullptr) overwrite(copy_, stdscr);
    redrawwin(stdscr);
    wrefresh(stdscr);
}

int wait_key(WINDOW* w, std::initializer_list<int> ignored, const redraw_fn& redraw) {
    page_copy page;
    const redraw_fn put_back = [&] { page.restore(); };
    for (;;) {
        int key = read_key(w, redraw ? redraw : put_back);
        if (key == ERR) {
            if (is_nodelay(w)) return ERR;
            // A time-out is no answer; only a read that should have waited means the terminal is gone.
            if (wgetdelay(w) > 0) continue;
            // A blocking read only fails when the terminal is gone: nobody is left to answer.
            endwin();
            exit(1);
        }
        bool skip = false;
        for (int k : ignored) skip = skip || k == key;
        if (!skip) return key;
    }
}

int wait_key_past_moves(WINDOW* w, const redraw_fn& redraw) {
    return wait_key(w, {'s', 'w', KEY_UP, KEY_DOWN}, redraw);
}

key_direction direction_of_key(int key) {
    using enum key_direction;
    static constexpr struct {
        int key;
        key_direction dir;
    } table[] = {
        {'k', up},   {'w', up},   {KEY_UP, up},       {'j', down},  {'s', down},  {KEY_DOWN, down},
        {'h', left}, {'a', left}, {KEY_LEFT, left}, {'l', right}, {'d', right}, {KEY_RIGHT, right},
    };
    for (const auto& entry : table)
        if (entry.key == key) return entry.dir;
    return none;
}

void throttle_key(int key, throttle_order order) {
    if (key == ERR) return;
    if (order == throttle_order::discard_then_sleep) flushinp();
    usleep(100000);
    if (order == throttle_order::sleep_then_discard) flushinp();
}

void throttle_repeat(int key, int previous_key) {
    if (key == previous_key) throttle_key(key);
}

bool declines_another_game(int key) { return key == 'n' || key == 'N' || key == 'q'; }
