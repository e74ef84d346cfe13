// A curses screen on /dev/null for drawing tests.
#include "virtual_screen.h"

#include <unistd.h>

#include <stdexcept>
#include <vector>

virtual_screen::virtual_screen(int rows, int cols, const char* term) {
    out_ = fopen("/dev/null", "w");
    int fds[2];
    if (out_ == nullptr || pipe(fds) != 0) throw std::runtime_error("virtual_screen: no /dev/null or pipe");
    in_ = fdopen(fds[0], "r");
    pipe_write_ = fds[1];
    screen_ = newterm(term, out_, in_);
    if (screen_ == nullptr) throw std::runtime_error("virtual_screen: newterm failed");
    set_term(screen_);
    resizeterm(rows, cols);
    noecho();
    cbreak();
    keypad(stdscr, TRUE);
    // Reads must never hang a test: an empty queue answers ERR at once.
    nodelay(stdscr, TRUE);
    // Resizing queues a KEY_RESIZE; tests start with an empty queue.
    while (wgetch(stdscr) != ERR) {
    }
    wclear(stdscr);
}

virtual_screen::~virtual_screen() {
    set_term(screen_);
    endwin();
    delscreen(screen_);
    fclose(out_);
    fclose(in_);
    close(pipe_write_);
}

std::string virtual_screen::text(int row, int col, int width) const {
    if (width < 0) width = COLS - col;
    std::string s;
    for (int x = col; x < col + width && x < COLS; ++x) s += ch(row, x);
    return s;
}

// Reads a cell without moving the cursor, so drawing that goes on from the
// cursor after a test looked at the screen lands where it would have.
static chtype cell(int row, int col) {
    int y, x;
    getyx(stdscr, y, x);
    chtype c = mvwinch(stdscr, row, col);
    wmove(stdscr, y, x);
    return c;
}

char virtual_screen::ch(int row, int col) const { return static_cast<char>(cell(row, col) & A_CHARTEXT); }

attr_t virtual_screen::attr(int row, int col) const {
    return static_cast<attr_t>(cell(row, col) & (A_ATTRIBUTES | A_COLOR));
}

int virtual_screen::pair(int row, int col) const { return PAIR_NUMBER(cell(row, col)); }

std::string virtual_screen::dump() const {
    std::string s;
    for (int y = 0; y < LINES; ++y) s += text(y) + "\n";
    return s;
}

void virtual_screen::keys(std::initializer_list<int> in_order) const {
    std::vector<int> v(in_order);
    for (auto it = v.rbegin(); it != v.rend(); ++it) ungetch(*it);
}
