// Start-up, SIGINT and key reads shared by every program.
#include "terminal.h"

#include "privilege.h"

#include <poll.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <unistd.h>

namespace {

// The argument message has no newline of its own, and leaving curses puts the
// cursor back at the start of its line: whatever comes next would cover it.
bool argument_line_open = false;

void end_argument_line() {
    if (!argument_line_open) return;
    argument_line_open = false;
    putchar('\n');
    fflush(stdout);
}

}  // namespace

void refuse_arguments(int argc) {
    if (argc <= 1) return;
    fputs("This game doesn't take arguments", stdout);
    // Out before curses takes the screen.
    fflush(stdout);
    argument_line_open = true;
    // Every way out after endwin: a plain return from main or exit() (the
    // prompt of the shell would cover the message too), "Quit." below.
    atexit(end_argument_line);
}

namespace {

[[noreturn]] void leave_saying_quit(int status) {
    endwin();
    end_argument_line();
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
    // Before curses reads the player's terminal description: a set-group-id
    // game opens its shared table with the games group, then gives the group up for good.
    start_shared_scores();
    signal(SIGINT, quit_on_signal);
    // Without the locale, line-drawing characters come out as letters in UTF-8 terminals.
    setlocale(LC_ALL, "");
    initscr();
    noecho();
    cbreak();
    keypad(stdscr, TRUE);
    // ESC quits or ends a game, so it must count only when nothing follows it:
    // a second of waiting feels broken, and 50 ms still hold a sequence
    // together over a remote link.
    set_escdelay(50);
    srandom(static_cast<unsigned>(time(nullptr) % 4294967295));
    bool colours = colours_wanted();
    curs_set(0);
    return colours;
}

namespace {

// Curses cannot be asked whether it is in half-delay mode, which outranks no-delay reads.
bool paced = false;

}  // namespace

void blocking_input() {
    nocbreak();
    cbreak();
    nodelay(stdscr, FALSE);
    paced = false;
}

void paced_input() {
    halfdelay(1);
    nodelay(stdscr, FALSE);
    paced = true;
}

void instant_input() {
    nocbreak();
    cbreak();
    nodelay(stdscr, TRUE);
    paced = false;
}

void repaint() {
    redrawwin(stdscr);
    wrefresh(stdscr);
}

namespace {

constexpr int key_escape = 27;

// A key that is already there: curses keeps the rest of a sequence it did not
// recognise, so what belongs to it needs no waiting, and a lone ESC is told at once.
int key_at_hand(WINDOW* w) {
    if (paced) cbreak();
    const int delay = wgetdelay(w);
    nodelay(w, TRUE);
    const int key = wgetch(w);
    wtimeout(w, delay);
    if (paced) halfdelay(1);
    return key;
}

// Reads what follows an ESC that curses handed back alone, and tells whether
// it was a lone ESC. Anything else (an Alt key, a sequence of a terminal whose
// keys differ from its description, a mouse report of another kind) is read
// to its end and dropped, so that none of its bytes passes for a key.
bool lone_escape(WINDOW* w) {
    const int next = key_at_hand(w);
    if (next == ERR) return true;
    if (next == '[') {
        // Parameters and intermediates up to the final byte; an X10 mouse report
        // ("ESC [ M" and three raw bytes) carries its data after the final byte.
        int c = key_at_hand(w);
        const bool x10_mouse = c == 'M';
        while (c != ERR && !(c >= 0x40 && c <= 0x7e)) c = key_at_hand(w);
        if (x10_mouse)
            for (int i = 0; i < 3; ++i) key_at_hand(w);
    } else if (next == 'O') {
        key_at_hand(w);
    } else if (next == ']') {
        // A string up to BEL or ESC backslash.
        for (int c = key_at_hand(w); c != ERR && c != '\a'; c = key_at_hand(w)) {
            if (c == key_escape) {
                key_at_hand(w);
                break;
            }
        }
    }
    return false;
}

}  // namespace

namespace {

// A read that gave nothing because the terminal is gone, not because its time
// ran out: the terminal's side has hung up. Without this a program whose
// SIGHUP is ignored (nohup, a closed remote session) would read on for ever.
bool terminal_gone() {
    pollfd in{fileno(stdin), POLLIN, 0};
    return poll(&in, 1, 0) == 1 && (in.revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace

int read_key(WINDOW* w, const redraw_fn& redraw) {
    for (;;) {
        int key = wgetch(w);
        if (key == ERR && terminal_gone()) {
            endwin();
            exit(1);
        }
        if (key == key_escape && !lone_escape(w)) continue;
        if (key != KEY_RESIZE) return key;
        if (redraw) redraw();
        else repaint();
    }
}

page_copy::page_copy()
    : copy_(newpad(getmaxy(stdscr), getmaxx(stdscr))), row_(getcury(stdscr)), col_(getcurx(stdscr)) {
    if (copy_ != nullptr) overwrite(stdscr, copy_);
}

page_copy::~page_copy() {
    if (copy_ != nullptr) delwin(copy_);
}

void page_copy::restore() const {
    if (copy_ != nullptr) overwrite(copy_, stdscr);
    // The shrink left the cursor wherever it fell; a shown cursor belongs where the page had it.
    wmove(stdscr, row_, col_);
    redrawwin(stdscr);
    wrefresh(stdscr);
}

namespace {

// The one loop every wait runs: reads until a key that `ignored` does not
// pass over. A time-out is never an answer: it calls `each_timeout`, if any,
// and reads again; a terminal that is gone ends the program in read_key. Only
// a no-delay read that finds no key returns (ERR): that caller asked not to wait.
template <class Ignored>
int wait_loop(WINDOW* w, const Ignored& ignored, const redraw_fn& put_back, const redraw_fn& each_timeout) {
    const int delay = wgetdelay(w);
    if (each_timeout) wtimeout(w, 100);
    for (;;) {
        const int key = read_key(w, put_back);
        if (key == ERR) {
            if (each_timeout) each_timeout();
            else if (delay == 0) return ERR;
            continue;
        }
        if (ignored(key)) continue;
        wtimeout(w, delay);
        return key;
    }
}

// Drops what is pending and what arrives in the deaf time, through timed reads
// of what is left of it.
void drop_keys_typed_ahead(WINDOW* w, const redraw_fn& put_back) {
    using clock = std::chrono::steady_clock;
    flushinp();
    const int delay = wgetdelay(w);
    const auto until = clock::now() + std::chrono::milliseconds(after_play_deaf_ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - clock::now()).count();
        if (left <= 0) break;
        wtimeout(w, static_cast<int>(left));
        if (read_key(w, put_back) == ERR) break;
    }
    wtimeout(w, delay);
}

}  // namespace

int wait_key(WINDOW* w, std::initializer_list<int> ignored, const redraw_fn& redraw) {
    page_copy page;
    const redraw_fn put_back = redraw ? redraw : [&] { page.restore(); };
    return wait_loop(
        w,
        [&](int key) {
            for (int k : ignored)
                if (k == key) return true;
            return false;
        },
        put_back, nullptr);
}

int wait_key_past_moves(WINDOW* w, const redraw_fn& redraw) {
    return wait_key(w, {'s', 'w', KEY_UP, KEY_DOWN}, redraw);
}

bool is_move_key(int key) { return key == 's' || key == 'w' || key == KEY_UP || key == KEY_DOWN; }

int wait_after_play(WINDOW* w, bool (*ignored)(int key), const redraw_fn& redraw, const redraw_fn& each_tenth) {
    blocking_input();
    // Taken before the deaf time, whose reads may see a resize too.
    page_copy page;
    const redraw_fn put_back = redraw ? redraw : [&] { page.restore(); };
    drop_keys_typed_ahead(w, put_back);
    return wait_loop(
        w, [&](int key) { return ignored != nullptr && ignored(key); }, put_back, each_tenth);
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
