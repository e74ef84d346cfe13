// A curses screen on a terminal of its own for drawing tests.
#include "virtual_screen.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

virtual_screen::virtual_screen(int rows, int cols, const char* term) {
    // A terminal of its own, so that curses' mode changes (leaving half-delay,
    // flushing input) act as they do on the player's terminal; its output is
    // read away and dropped.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        throw std::runtime_error("virtual_screen: no terminal");
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) throw std::runtime_error("virtual_screen: no terminal");
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    ioctl(slave, TIOCSWINSZ, &size);
    in_ = fdopen(slave, "r");
    // Close-on-exec like the first: a program a test starts must not hold the
    // terminal open, or the drain below would wait for it to end.
    out_ = fdopen(fcntl(slave, F_DUPFD_CLOEXEC, 0), "w");
    if (in_ == nullptr || out_ == nullptr) throw std::runtime_error("virtual_screen: no terminal");
    keyboard_ = master;
    reader_tid_ = static_cast<int>(syscall(SYS_gettid));
    screen_ = newterm(term, out_, in_);
    if (screen_ == nullptr) throw std::runtime_error("virtual_screen: newterm failed");
    // Started only once nothing can throw: a running thread left behind would end the whole test run.
    drain_ = std::thread([master] {
        char buf[4096];
        while (read(master, buf, sizeof buf) > 0) {
        }
    });
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
    done_typing();
    set_term(screen_);
    endwin();
    delscreen(screen_);
    fclose(out_);
    fclose(in_);
    // With the terminal's last descriptor closed, the drain reads its end.
    drain_.join();
    close(keyboard_);
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

namespace {

// The reading thread blocks in a read of the input, or in a poll with a
// tenth's time-out (x86_64 numbers): never in the deaf time's longer poll,
// unless that is the one asked for.
bool reader_waits(int tid, int in_fd, bool deaf) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long nr = -1;
    std::string arg0, arg1, arg2;
    if (!(f >> nr >> arg0 >> arg1 >> arg2)) return false;
    const int time_out = static_cast<int>(std::strtoul(arg2.c_str(), nullptr, 16));
    if (deaf) return nr == 7 && time_out > 100;
    if (nr == 0) return std::strtoul(arg0.c_str(), nullptr, 16) == static_cast<unsigned long>(in_fd);
    if (nr == 7) return time_out == 100;
    return false;
}

// Times the thread was switched out: it went on after a signal.
long switches(int tid) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/status");
    long total = 0;
    for (std::string line; std::getline(f, line);)
        if (line.find("ctxt_switches:") != std::string::npos) total += std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    return total;
}

int unread_bytes(int fd) {
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

}  // namespace

void virtual_screen::type_when_waiting(std::initializer_list<int> in_order) {
    done_typing();
    // The byte sequences are looked up here: curses is not for other threads.
    std::vector<std::string> typed;
    std::vector<bool> deaf;
    bool next_deaf = false;
    for (int key : in_order) {
        if (key == in_deaf_time) {
            next_deaf = true;
            continue;
        }
        deaf.push_back(next_deaf);
        next_deaf = false;
        if (key == KEY_RESIZE) {
            typed.emplace_back();
        } else if (key >= KEY_MIN) {
            char* bound = keybound(key, 0);
            if (bound == nullptr) throw std::runtime_error("virtual_screen: the terminal has no such key");
            typed.emplace_back(bound);
            free(bound);
        } else {
            typed.emplace_back(1, static_cast<char>(key));
        }
    }
    const int in_fd = fileno(in_);
    const pthread_t reader = pthread_self();
    typist_ = std::thread([this, typed, deaf, in_fd, reader] {
        for (size_t i = 0; i < typed.size(); ++i) {
            const std::string& bytes = typed[i];
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!(unread_bytes(in_fd) == 0 && reader_waits(reader_tid_, in_fd, deaf[i]))) {
                if (stop_typing_ || std::chrono::steady_clock::now() > until) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            const long before = switches(reader_tid_);
            if (bytes.empty()) pthread_kill(reader, SIGWINCH);
            else if (write(keyboard_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return;
            // Until the reader has taken the key and left the read.
            const auto taken = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (unread_bytes(in_fd) > 0 || (bytes.empty() && switches(reader_tid_) == before)) {
                if (stop_typing_ || std::chrono::steady_clock::now() > taken) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

void virtual_screen::type_after(std::chrono::milliseconds delay, int key) {
    done_typing();
    typist_ = std::thread([this, delay, key] {
        std::this_thread::sleep_for(delay);
        const char c = static_cast<char>(key);
        if (write(keyboard_, &c, 1) != 1) return;
    });
}

void virtual_screen::done_typing() {
    stop_typing_ = true;
    if (typist_.joinable()) typist_.join();
    stop_typing_ = false;
}

void virtual_screen::break_input() const { close(fileno(in_)); }
