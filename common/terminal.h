// Start-up, the SIGINT handler and the key reads every program shares.
#pragma once

#include <curses.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>

// Programs that take no arguments say so, without a newline, and run as usual.
// The line is ended once curses has been left, before anything else is written.
void refuse_arguments(int argc);

// SIGINT: leaves curses, prints "Quit." and exits with the signal number.
void quit_on_signal(int signo);

// The quit key's way out: leaves curses, prints "Quit." and exits with status 0.
[[noreturn]] void quit_program();

// The common start: SIGINT handler, locale, curses in cbreak/noecho/keypad
// mode, a short ESC delay, the clock seed and the hidden cursor. Returns
// whether the program should set up its colours (the terminal has them and
// NO_COLOR is unset or empty).
bool start_curses();

// True when the terminal has colours and NO_COLOR does not ask for none.
bool colours_wanted();

// Input modes of the standard screen: every change goes through one of these,
// since curses cannot be asked which one holds (half-delay outranks the others).

// Plain blocking reads: leaves half-delay and no-delay mode.
void blocking_input();

// Half-delay reads of a tenth of a second, the pace of a tick. Every program
// enters it here, so that a read can tell a lone ESC without that tenth.
void paced_input();

// Reads that return at once, for a game that paces its frames with sleeps.
void instant_input();

using redraw_fn = std::function<void()>;

// Repaints the screen as it stands, after the terminal changed size.
void repaint();

// One key from `w`. A resize is not a key: it is handed to `redraw` (or
// repaint) and the read goes on, so waits, questions and throttles never see it.
// ESC (27) comes back only when nothing followed it within the ESC delay; an
// Alt key or an escape sequence that curses does not know is read whole and
// dropped, and the read goes on; so is a mouse report, unless the program
// takes the reports (take_mouse_reports). A read that fails because the
// terminal is gone ends the program (after endwin) with status 1.
int read_key(WINDOW* w, const redraw_fn& redraw = nullptr);

// One mouse report as the terminal sent it.
struct raw_mouse {
    enum class act { press, release, motion };
    act what = act::press;
    // 1 to 3 the buttons, 4 to 7 the wheel (up, down, left, right), 8 to 11
    // the extra buttons; 0 when the report names none (a release in the basic
    // encoding, motion with no button held).
    int button = 0;
    int y = -1;  // the screen cell, from 0
    int x = -1;
    bool operator==(const raw_mouse&) const = default;
};

// A whole mouse report, from its ESC: the basic encoding (ESC [ M and three
// bytes, each value plus 32) or the one with decimal fields (ESC [ < b ; x ; y
// and M for a press, m for a release). Nothing for anything else, a report
// cut short included.
std::optional<raw_mouse> decode_mouse_report(std::string_view seq);

// What read_key makes of the mouse reports of a program that switched them on
// with mousemask. Curses folds reports that arrive together into one event and
// getmouse hands back only the newest, so a program that must see every press
// and release takes the reports from read_key instead.
enum class mouse_keys {
    curses,          // curses reads them (KEY_MOUSE and getmouse); the start
    every_report,    // each report is a KEY_MOUSE of its own
    ends_of_clicks,  // a release or a wheel notch is a KEY_MOUSE; presses and
                     // motion are dropped, so that a click is one key
};

// Sets how mouse reports are read from now on; returns the way before.
mouse_keys take_mouse_reports(mouse_keys how);

// The report of the last KEY_MOUSE read_key returned while it takes the reports.
const raw_mouse& last_mouse_report();

// A copy of the screen as it stands, cursor included, to put back after a
// resize cut it: a pad, the one kind of window a resize leaves alone.
class page_copy {
public:
    page_copy();
    ~page_copy();
    page_copy(const page_copy&) = delete;
    page_copy& operator=(const page_copy&) = delete;
    void restore() const;

private:
    WINDOW* copy_;
    int row_, col_;
};

// Reads until a key that is not in `ignored`; returns that key. A read that
// times out (the caller left half-delay on) is read again; in no-delay mode a
// read that finds no key returns ERR. Without a redraw of its own, a resize
// puts back the screen as the wait found it.
int wait_key(WINDOW* w, std::initializer_list<int> ignored = {}, const redraw_fn& redraw = nullptr);

// Blocking reads that pass over 's', 'w' and the up and down arrows.
int wait_key_past_moves(WINDOW* w, const redraw_fn& redraw = nullptr);

// 's', 'w' and the up and down arrows: keys of play that the play-again
// questions and the trophy pages pass over.
bool is_move_key(int key);

// How long a wait that follows play drops the keys that arrive, in milliseconds.
constexpr int after_play_deaf_ms = 300;

// The wait for a key at every question and "press a key" page that follows
// play; returns the first key that `ignored` (if any) does not pass over.
// Keys held or typed ahead during play must not answer a page the player has
// not seen: what is pending when the wait begins is dropped, and so is every
// key of its first after_play_deaf_ms. Input is left in blocking mode. A
// resize calls `redraw`, or puts back the page as the wait found it. With
// `each_tenth` (a flashing figure) the reads time out every tenth of a second
// to call it. The deaf time is timed reads of what is left of it, so a run
// whose clock is held waits at them until it is stepped past.
int wait_after_play(WINDOW* w, bool (*ignored)(int key) = nullptr, const redraw_fn& redraw = nullptr,
                    const redraw_fn& each_tenth = nullptr);

// The direction keys every game that steers or moves a cursor shares: hjkl,
// wasd and the arrows. A game turns these into its own directions and gives
// meanings of its own to the keys left over.
enum class key_direction { none, up, down, left, right };
key_direction direction_of_key(int key);

// A game's own value for each direction, and `none` for every other key.
template <class T>
struct directions_as {
    T none, up, down, left, right;
};

template <class T>
T direction_of_key(int key, const directions_as<T>& as) {
    switch (direction_of_key(key)) {
    case key_direction::up:
        return as.up;
    case key_direction::down:
        return as.down;
    case key_direction::left:
        return as.left;
    case key_direction::right:
        return as.right;
    case key_direction::none:
        break;
    }
    return as.none;
}

// Holding a key down must not speed a game up. Each throttled key costs a
// tenth of a second, and the keys queued behind it are dropped. Sleeping first
// also drops what was typed during the sleep; discarding first keeps it for
// the next read.
enum class throttle_order { sleep_then_discard, discard_then_sleep };

// Every key read (not ERR) is throttled.
void throttle_key(int key, throttle_order order = throttle_order::sleep_then_discard);

// Only a key that repeats the previous tick's, as a held key's auto-repeat does.
void throttle_repeat(int key, int previous_key);

// 'n', 'N' and 'q' decline another game.
bool declines_another_game(int key);
