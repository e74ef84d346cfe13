// A curses screen of a chosen size on a terminal nobody looks at, read back cell by cell.
#pragma once

#include <curses.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

class virtual_screen {
public:
    // Starts curses on "xterm-256color" (or `term`), sized rows x cols,
    // with its input on a terminal nobody types at: feed keys with ungetch.
    virtual_screen(int rows = 24, int cols = 80, const char* term = "xterm-256color");
    ~virtual_screen();
    virtual_screen(const virtual_screen&) = delete;
    virtual_screen& operator=(const virtual_screen&) = delete;

    // Text of `row` from `col` on (to the right edge when `width` is -1).
    std::string text(int row, int col = 0, int width = -1) const;
    // The character at a cell, without attributes.
    char ch(int row, int col) const;
    // The cell's attributes, colour pair included.
    attr_t attr(int row, int col) const;
    // The colour pair of a cell.
    int pair(int row, int col) const;
    // The whole screen, one line per row, trailing blanks kept.
    std::string dump() const;
    // Queues keys so the next reads return them in the given order.
    void keys(std::initializer_list<int> in_order) const;
    // Types keys from another thread, one at a time, each once the screen's
    // reads wait for input with no time-out (or with a tenth's, as a flashing
    // page does): past the deaf time of a wait that follows play, which drops
    // queued keys. A key after `in_deaf_time` is typed instead while the reads
    // wait with a longer time-out: inside that deaf time. KEY_RESIZE is a
    // resize to the same size. Keys still untyped are dropped by `done_typing`
    // (or the end of the test).
    static constexpr int in_deaf_time = -2;
    void type_when_waiting(std::initializer_list<int> in_order);
    // Types one key from another thread once `delay` has passed.
    void type_after(std::chrono::milliseconds delay, int key);
    void done_typing();
    // Every read of the screen's terminal fails from now on, as when a
    // program is cut off from its terminal; for a forked child (a death test).
    void break_input() const;

private:
    SCREEN* screen_ = nullptr;
    FILE* out_ = nullptr;
    FILE* in_ = nullptr;
    int keyboard_ = -1;
    int reader_tid_ = -1;
    std::thread typist_;
    std::thread drain_;
    std::atomic<bool> stop_typing_{false};
};
