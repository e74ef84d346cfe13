// A curses screen of a chosen size that draws into /dev/null, read back cell by cell.
#pragma once

#include <curses.h>

#include <string>

class virtual_screen {
public:
    // Starts curses on "xterm-256color" (or `term`), sized rows x cols,
    // with its input on a pipe nobody writes to: feed keys with ungetch.
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

private:
    SCREEN* screen_ = nullptr;
    FILE* out_ = nullptr;
    FILE* in_ = nullptr;
    int pipe_write_ = -1;
};
