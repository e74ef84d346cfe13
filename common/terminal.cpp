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
#include <string>
#include <vector>

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

// A key that is already there, or that comes within `wait_ms`: curses keeps
// the rest of a sequence it did not recognise, so what belongs to it needs no
// waiting, and a lone ESC is told at once.
int key_at_hand(WINDOW* w, int wait_ms = 0) {
    if (paced) cbreak();
    const int delay = wgetdelay(w);
    wtimeout(w, wait_ms);
    const int key = wgetch(w);
    wtimeout(w, delay);
    if (paced) halfdelay(1);
    return key;
}

// Reads what follows an ESC that curses handed back alone, to the end of the
// sequence it starts: an Alt key, a sequence of a terminal whose keys differ
// from its description, a mouse report curses was not left to read. Returns
// the bytes, the ESC first; the ESC alone when nothing followed it. A key
// curses recognised after the ESC stands as a NUL, which no sequence has.
std::string escape_sequence(WINDOW* w) {
    std::string seq(1, static_cast<char>(key_escape));
    const auto next = [&](int wait_ms) {
        const int c = key_at_hand(w, wait_ms);
        if (c != ERR) seq += c <= 0xff ? static_cast<char>(c) : '\0';
        return c;
    };
    const int first = next(0);
    if (first == '[') {
        // Parameters and intermediates up to the final byte; an X10 mouse report
        // ("ESC [ M" and three raw bytes) carries its data after the final byte.
        int c = next(0);
        // The rest of a mouse report is surely on its way: waiting for it as
        // long as an ESC waits keeps a report split by a slow link whole.
        const int wait = c == 'M' || c == '<' ? get_escdelay() : 0;
        const bool x10_mouse = c == 'M';
        while (c != ERR && !(c >= 0x40 && c <= 0x7e)) c = next(wait);
        if (x10_mouse)
            for (int i = 0; i < 3 && next(wait) != ERR; ++i) {
            }
    } else if (first == 'O') {
        next(0);
    } else if (first == ']') {
        // A string up to BEL or ESC backslash.
        for (int c = next(0); c != ERR && c != '\a'; c = next(0)) {
            if (c == key_escape) {
                next(0);
                break;
            }
        }
    }
    return seq;
}

mouse_keys mouse_taking = mouse_keys::curses;
raw_mouse last_report;

// Whether `r` is a key in the way reports are taken now; a key is kept for
// last_mouse_report.
bool mouse_key(const raw_mouse& r) {
    bool key = mouse_taking == mouse_keys::every_report;
    if (mouse_taking == mouse_keys::ends_of_clicks) {
        // The wheel sends no release: its press is the whole notch.
        const bool wheel = r.button >= 4 && r.button <= 7;
        key = r.what == raw_mouse::act::release || (r.what == raw_mouse::act::press && wheel);
    }
    if (key) last_report = r;
    return key;
}

// The field of a report that says what happened: the button in the low two
// bits, the wheel and the extra buttons in high ones; a code naming no button
// in the basic encoding is a release. Modifier keys are not told.
raw_mouse mouse_of_code(int code, bool released, int y, int x) {
    const int low = code & 3;
    const bool wheel = (code & 64) != 0;
    const bool extra = (code & 128) != 0;
    raw_mouse r;
    if (wheel || extra) r.button = low + (wheel ? 4 : 0) + (extra ? 8 : 0);
    else r.button = low == 3 ? 0 : low + 1;
    if (code & 32) r.what = raw_mouse::act::motion;
    else if (released) r.what = raw_mouse::act::release;
    r.y = y;
    r.x = x;
    return r;
}

// A decimal field of at most five digits; false when there is none.
bool decimal(std::string_view& s, int& value) {
    size_t n = 0;
    value = 0;
    while (n < s.size() && n < 6 && s[n] >= '0' && s[n] <= '9') value = value * 10 + (s[n++] - '0');
    if (n == 0 || n > 5) return false;
    s.remove_prefix(n);
    return true;
}

}  // namespace

std::optional<raw_mouse> decode_mouse_report(std::string_view seq) {
    if (seq.size() == 6 && seq.substr(0, 3) == "\x1b[M") {
        const int code = static_cast<unsigned char>(seq[3]) - 32;
        // Cells from 1, plus 32; a terminal sends 0 for a cell it cannot encode.
        const int x = static_cast<unsigned char>(seq[4]) - 33;
        const int y = static_cast<unsigned char>(seq[5]) - 33;
        if (code < 0 || x < 0 || y < 0) return std::nullopt;
        const bool named = (code & (64 | 128)) != 0 || (code & 3) != 3;
        return mouse_of_code(code, !named, y, x);
    }
    if (seq.substr(0, 3) != "\x1b[<") return std::nullopt;
    std::string_view rest = seq.substr(3);
    int code = 0, x = 0, y = 0;
    if (!decimal(rest, code) || rest.empty() || rest[0] != ';') return std::nullopt;
    rest.remove_prefix(1);
    if (!decimal(rest, x) || rest.empty() || rest[0] != ';') return std::nullopt;
    rest.remove_prefix(1);
    if (!decimal(rest, y) || rest.size() != 1 || (rest[0] != 'M' && rest[0] != 'm')) return std::nullopt;
    if (x < 1 || y < 1) return std::nullopt;
    return mouse_of_code(code, rest[0] == 'm', y - 1, x - 1);
}

namespace {

// The sequences curses knows as the mouse key, while read_key takes the reports.
std::vector<std::string> mouse_sequences;

}  // namespace

mouse_keys take_mouse_reports(mouse_keys how) {
    const mouse_keys before = mouse_taking;
    mouse_taking = how;
    // Curses still switches the terminal's reports on and off; it only no
    // longer knows a report when it sees one, and hands its bytes on. The
    // sequences go for good, not merely switched off (keyok): curses switches
    // its mouse key on again whenever it resumes after a suspension.
    if (how != mouse_keys::curses) {
        while (char* seq = keybound(KEY_MOUSE, 0)) {
            mouse_sequences.emplace_back(seq);
            free(seq);
            if (define_key(mouse_sequences.back().c_str(), 0) != OK) break;
        }
    } else {
        for (const std::string& seq : mouse_sequences) define_key(seq.c_str(), KEY_MOUSE);
        mouse_sequences.clear();
    }
    return before;
}

const raw_mouse& last_mouse_report() { return last_report; }

namespace {

// A read that gave nothing because the terminal is gone, not because its time
// ran out: the terminal's side has hung up. Without this a program whose
// SIGHUP is ignored (nohup, a closed remote session) would read on for ever.
bool terminal_gone() {
    pollfd in{fileno(stdin), POLLIN, 0};
    return poll(&in, 1, 0) == 1 && (in.revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace

namespace {

// A signal explains a blocking read that fails now and then; one that fails
// this many times in a row, with no key between, has lost its terminal even
// when nothing says so (a reader cut off from it), and would spin for ever.
constexpr int failures_before_giving_up = 64;
int failed_blocking_reads = 0;

bool lost_terminal(WINDOW* w, int key) {
    if (key != ERR) {
        failed_blocking_reads = 0;
        return false;
    }
    if (terminal_gone()) return true;
    const bool blocking = !paced && wgetdelay(w) < 0;
    return blocking && ++failed_blocking_reads >= failures_before_giving_up;
}

}  // namespace

int read_key(WINDOW* w, const redraw_fn& redraw) {
    for (;;) {
        int key = wgetch(w);
        if (lost_terminal(w, key)) {
            endwin();
            exit(1);
        }
        if (key == key_escape) {
            const std::string seq = escape_sequence(w);
            if (seq.size() == 1) return key;
            if (mouse_taking == mouse_keys::curses) continue;
            if (const auto report = decode_mouse_report(seq); report && mouse_key(*report)) return KEY_MOUSE;
            continue;
        }
        // Curses no longer reads reports then; one it was handed some other way
        // (ungetmouse) has no report of read_key's to go with it.
        if (key == KEY_MOUSE && mouse_taking != mouse_keys::curses) continue;
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
