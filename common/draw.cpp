// Drawing helpers; every character goes through a cursor move, so a small terminal clips.
#include "draw.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void erase_rect(int top, int left, int bottom, int right) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            put(y, x, ' ');
}

void draw_frame(attr_t attr) {
    // The border keeps its own attribute whatever the window has switched on.
    attr_t saved_attrs;
    short saved_pair;
    wattr_get(stdscr, &saved_attrs, &saved_pair, nullptr);
    wattrset(stdscr, A_NORMAL);
    const chtype blank = ' ' | attr;
    for (int y = 0; y < 24; ++y) {
        put(y, 0, blank);
        put(y, 79, blank);
    }
    for (int x = 0; x < 80; ++x) {
        put(23, x, blank);
        put(0, x, blank);
    }
    wattr_set(stdscr, saved_attrs, saved_pair, nullptr);
}

void dot_row(int row) {
    for (int x = 1; x <= 78; ++x) put(row, x, '.');
}

void put(int row, int col, chtype c) {
    if (wmove(stdscr, row, col) == OK) waddch(stdscr, c);
}

void put(int row, int col, const char* text, attr_t attr) {
    for (int x = col; *text != '\0'; ++text, ++x) put(row, x, static_cast<unsigned char>(*text) | attr);
}

void put_format(int row, int col, int end, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    put_clipped(row, col, end, text);
}

void put_clipped(int row, int col, int end, const char* text, attr_t attr) {
    if (getmaxx(stdscr) < end) end = getmaxx(stdscr);
    int length = static_cast<int>(std::strlen(text));
    if (length > end - col) {
        length = end - col;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    if (length <= 0 || wmove(stdscr, row, col) != OK) return;
    attr_t saved_attrs;
    short saved_pair;
    wattr_get(stdscr, &saved_attrs, &saved_pair, nullptr);
    wattr_on(stdscr, attr, nullptr);
    waddnstr(stdscr, text, length);
    wattr_set(stdscr, saved_attrs, saved_pair, nullptr);
}

void draw_box(int top, int left, int bottom, int right) {
    for (int y = top; y <= bottom; ++y) {
        put(y, left, ACS_VLINE);
        put(y, right, ACS_VLINE);
    }
    for (int x = left; x <= right; ++x) {
        put(top, x, ACS_HLINE);
        put(bottom, x, ACS_HLINE);
    }
    put(top, left, ACS_ULCORNER);
    put(bottom, left, ACS_LLCORNER);
    put(top, right, ACS_URCORNER);
    put(bottom, right, ACS_LRCORNER);
}
