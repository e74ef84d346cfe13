// The high-score screen: trophy page after a fallen record, then the table.
#include "score_screen.h"

#include "draw.h"
#include "score_store.h"
#include "terminal.h"

#include <cstdarg>

namespace {

// Texts of the framed layout end before the frame's right column.
constexpr int inside_frame = 79;

// The figure one on its pedestal, with the congratulation in the framed layout.
const char* const framed_trophy[] = {
    "     _____You beat the", "   .'     |   previous", " .'       |     record", " |  .|    |         of",
    " |.' |    |%11ld",       "     |    |    held by",  "  ___|    |___%7s!",      " |            |",
    " |____________|",
};

const char* const trophy_figure[] = {
    "     _____ ",    "   .'     |",    " .'       |",      " |  .|    |",      " |.' |    |",
    "     |    |",    "  ___|    |___", " |            |", " |____________|",
};

// Reads the entry after the new best: the record that just fell.
bool read_former_best(char name[max_name_length + 1], int64_t* score) {
    if (score_stream == nullptr) return false;
    rewind(score_stream);
    char skipped[max_name_length + 1];
    int64_t ignored = 0;
    read_entry(score_stream, skipped, &ignored);
    *score = 0;
    return read_entry(score_stream, name, score) == 2;
}

void framed_trophy_page(const char* holder, int64_t record, const score_screen& s) {
    dot_row(1);
    dot_row(22);
    put_format(1, 32, inside_frame, "CONGRATULATIONS!!");
    for (int i = 0; i < 9; ++i) {
        if (i == 4) put_format(8 + i, 30, inside_frame, framed_trophy[i], static_cast<long>(record));
        else if (i == 6) put_format(8 + i, 30, inside_frame, framed_trophy[i], holder);
        else put_format(8 + i, 30, inside_frame, "%s", framed_trophy[i]);
    }
    put_format(21, 29, inside_frame, "Press a key to continue");
    wrefresh(stdscr);
    wait_after_play(stdscr, is_move_key);
    erase_rect(0, 0, 24, 80);
    draw_frame(s.frame_attr);
}

page_end show_framed(int8_t result, const score_screen& s) {
    if (s.screen_attr) wattr_on(stdscr, s.screen_attr, nullptr);
    erase_rect(0, 0, 24, 80);
    draw_frame(s.frame_attr);
    if (result == 0) {
        char holder[max_name_length + 1];
        int64_t record = 0;
        if (read_former_best(holder, &record) && record > 0) framed_trophy_page(holder, record, s);
    }
    if (result == score_failed || score_stream == nullptr) {
        put_format(1, 0, inside_frame, "%s", s.failure_text);
        put_format(2, 0, inside_frame, "However, your score is %ld.", static_cast<long>(s.score));
    } else {
        rewind(score_stream);
        put_format(1, 36, inside_frame, "HIGH SCORES");
        char name[max_name_length + 1];
        int64_t score = 0;
        const int shown = s.shown < 11 ? s.shown : 11;
        for (int i = 0; i < shown && read_entry(score_stream, name, &score) == 2; ++i) {
            int row = 2 + 2 * i;
            dot_row(row);
            put_format(row, 1, inside_frame, "%s%s", i == static_cast<uint8_t>(result) ? ">>>" : "", name);
            // A negative score's last digit takes the frame's column.
            put_format(row, 79 - digit_count(score), 80, "%ld", static_cast<long>(score));
        }
    }
    if (s.screen_attr) wattr_off(stdscr, s.screen_attr, nullptr);
    wrefresh(stdscr);
    return {getcury(stdscr), getcurx(stdscr)};
}

void header(const score_screen& s) {
    werase(stdscr);
    if (s.draw_header) s.draw_header();
}

// Printed from row `origin` down, one text a row: what falls below the last row
// is left out instead of piling up on it.
const char* const printed_trophy_text[] = {
    "*****CONGRATULATIONS!****",
    "             You beat the",
    "                 previous",
    "                   record",
    "                       of",
    nullptr,  // the record
    "                  held by",
    nullptr,  // its holder
    "               ",
    "               ",
    "*************************",
    "Press a key to proceed:",
};

void printed_trophy_page(const char* holder, int64_t record, const score_screen& s) {
    const int top = s.origin_row;
    for (int i = 0; i < 12; ++i) {
        if (i == 5) put_format(top + i, 0, COLS, "           %14ld", static_cast<long>(record));
        else if (i == 7) put_format(top + i, 0, COLS, "              %11s", holder);
        else put_format(top + i, 0, COLS, "%s", printed_trophy_text[i]);
    }
    size_t k = 0;
    auto draw_figure = [&] {
        const attr_t a = s.trophy_attrs.empty() ? 0 : s.trophy_attrs[k];
        if (a) wattr_on(stdscr, a, nullptr);
        for (int i = 0; i < 9; ++i) put_format(top + 1 + i, 0, COLS, "%s", trophy_figure[i]);
        if (a) wattr_off(stdscr, a, nullptr);
        // The next colour for the next tenth.
        if (!s.trophy_attrs.empty()) k = (k + 1) % s.trophy_attrs.size();
    };
    draw_figure();
    wrefresh(stdscr);
    // Without colours to cycle through the figure stands still, and the wait needs no tick.
    bool flashes = false;
    for (attr_t a : s.trophy_attrs) flashes = flashes || a != 0;
    redraw_fn flash;
    if (flashes)
        flash = [&] {
            draw_figure();
            wrefresh(stdscr);
        };
    wait_after_play(stdscr, nullptr, nullptr, flash);
    header(s);
}

page_end show_printed(int8_t result, const score_screen& s) {
    header(s);
    if (result == score_failed || score_stream == nullptr) {
        put_format(3, 0, COLS, "%s", s.failure_text);
        put_format(4, 0, COLS, "However, your score is %ld.", static_cast<long>(s.score));
        wrefresh(stdscr);
        return {getcury(stdscr), getcurx(stdscr)};
    }
    if (result == 0) {
        char holder[max_name_length + 1];
        int64_t record = 0;
        if (read_former_best(holder, &record)) printed_trophy_page(holder, record, s);
    }
    rewind(score_stream);
    int row = s.origin_row;
    put_format(row++, 0, COLS, ">*>*>Top %d<*<*<", s.shown);
    char name[max_name_length + 1];
    int64_t score = 0;
    for (int i = 1; i <= s.shown && read_entry(score_stream, name, &score) == 2; ++i)
        put_format(row++, 0, COLS, "%s%d) %s : %ld", i == result + 1 ? ">>>" : "", i, name, static_cast<long>(score));
    wrefresh(stdscr);
    // A blank row after the table.
    return {row + 1, 0};
}

}  // namespace

page_end show_scores(int8_t result, const score_screen& screen) {
    if (screen.kind == score_screen::framed) return show_framed(result, screen);
    return show_printed(result, screen);
}
