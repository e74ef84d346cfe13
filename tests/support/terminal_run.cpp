// The end-to-end harness: one private tmux server per run.
#include "terminal_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef KM_BIN_DIR
#error "KM_BIN_DIR must name the folder of the built programs"
#endif
#ifndef KM_FRAME_GATE
#error "KM_FRAME_GATE must name the preload library of gated runs"
#endif

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string run_capture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Deadlines on the clock: on a loaded machine the polls themselves take time.
struct deadline {
    explicit deadline(double seconds)
        : end(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                     std::chrono::duration<double>(seconds))) {}
    bool passed() const { return std::chrono::steady_clock::now() >= end; }
    std::chrono::steady_clock::time_point end;
};

// The session of each process (the pane's shell leads the session of everything run in the pane).
std::vector<int> processes_of_session(int sid) {
    std::vector<int> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return found;
    while (dirent* e = readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        std::string stat = terminal_run::read_file(std::string("/proc/") + e->d_name + "/stat");
        size_t paren = stat.rfind(')');
        if (paren == std::string::npos) continue;
        char state;
        int ppid, pgrp, session;
        if (sscanf(stat.c_str() + paren + 1, " %c %d %d %d", &state, &ppid, &pgrp, &session) != 4) continue;
        if (session == sid && state != 'Z') found.push_back(atoi(e->d_name));
    }
    closedir(proc);
    return found;
}

// The state letter of /proc/<pid>/stat ('T' stopped by a signal); 0 when the process is gone.
char process_state(int pid) {
    std::string stat = terminal_run::read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 >= stat.size()) return 0;
    return stat[paren + 2];
}

// System calls in which a process waits for input or for a child: read, poll,
// select, wait4, waitid, pselect6, ppoll (x86_64 numbers).
bool waiting_call(const std::string& syscall_line) {
    static const std::set<int> waits = {0, 7, 23, 61, 247, 270, 271};
    if (syscall_line.empty() || syscall_line[0] < '0' || syscall_line[0] > '9') return false;
    return waits.count(atoi(syscall_line.c_str())) != 0;
}

// A wait with no time-out: a read of the terminal, a wait for a child, or a
// poll or select with no time-out. The words of the line after the number are
// the call's arguments.
bool waits_without_time_out_in(const std::string& syscall_line) {
    std::istringstream in(syscall_line);
    long nr = -1;
    std::string word;
    std::vector<uint64_t> args;
    if (!(in >> nr)) return false;
    while (args.size() < 6 && in >> word) args.push_back(strtoull(word.c_str(), nullptr, 16));
    if (args.size() < 6) return false;
    switch (nr) {
    case 0: return args[0] == 0;                          // read, of the terminal on fd 0
    case 61: case 247: return true;                       // wait4, waitid
    case 7: return static_cast<int32_t>(args[2]) < 0;     // poll
    case 271: return args[2] == 0;                        // ppoll
    case 23: case 270: return args[4] == 0;               // select, pselect6
    default: return false;
    }
}

}  // namespace

std::string program_path(const std::string& name) { return std::string(KM_BIN_DIR) + "/" + name; }

terminal_run::terminal_run(const std::string& program) : terminal_run(program, options{}) {}

terminal_run::terminal_run(const std::string& program, const options& opts) {
    char tmpl[] = "/tmp/km-e2e-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) throw std::runtime_error("terminal_run: mkdtemp failed");
    root_ = tmpl;
    home_ = root_ + "/home";
    scores_ = root_ + "/scores";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(scores_);
    socket_ = root_ + "/tmux.sock";
    config_ = root_ + "/tmux.conf";
    std::ofstream(config_) << "set -g default-terminal " << opts.term << "\n"
                           << "set -g status off\n"
                           << "set -g history-limit 0\n";

    std::map<std::string, std::string> env = {
        {"HOME", home_},
        {"KM_SCORES_DIR", scores_},
        {"USER", "tester"},
        {"TERM", opts.term},
        {"LANG", "C.UTF-8"},
        {"LC_ALL", "C.UTF-8"},
        // curses keeps its memory to the end on purpose; leaks would only change the exit status.
        // A preloaded library comes before the sanitizers' runtime, which they would otherwise refuse.
        {"ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0"},
    };
    if (opts.gated || opts.seed >= 0) env["LD_PRELOAD"] = KM_FRAME_GATE;
    if (opts.seed >= 0) env["KM_TEST_SEED"] = std::to_string(opts.seed);
    if (opts.gated) {
        const std::string gate = root_ + "/gate";
        std::filesystem::create_directories(gate);
        if (mkfifo((gate + "/steps").c_str(), 0600) != 0) throw std::runtime_error("terminal_run: mkfifo failed");
        steps_ = open((gate + "/steps").c_str(), O_RDWR | O_CLOEXEC);
        int cfd = open((gate + "/counts").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (steps_ < 0 || cfd < 0 || ftruncate(cfd, 4 * sizeof(uint64_t)) != 0)
            throw std::runtime_error("terminal_run: gate files");
        void* map = mmap(nullptr, 4 * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, cfd, 0);
        close(cfd);
        if (map == MAP_FAILED) throw std::runtime_error("terminal_run: mmap failed");
        counts_ = static_cast<uint64_t*>(map);
        env["KM_TEST_GATE"] = gate;
    }
    for (const auto& [k, v] : opts.env) env[k] = v;
    std::string path = getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin";
    if (!opts.path_prefix.empty()) path = opts.path_prefix + ":" + path;
    env["PATH"] = path;

    std::string command = "env -u KM_PLAYER -u NO_COLOR";
    for (const auto& name : opts.unset) command += " -u " + quote(name);
    for (const auto& [k, v] : env) command += " " + quote(k + "=" + v);
    command += " " + quote(program);
    for (const auto& a : opts.args) command += " " + quote(a);
    // A dead tmux pane does not reliably keep what the program printed last, so the
    // shell outlives the program and leaves its exit status in a file. It survives
    // Ctrl-C (a trap, unlike an ignore, is not inherited by the program). The pane's
    // title, set after the program's last output, tells when all of that is on the screen.
    status_ = root_ + "/status";
    command = "trap : INT; " + command + "; s=$?; printf '\\033]2;km-ended\\033\\\\'; echo $s > " +
              quote(status_ + ".new") + "; mv " + quote(status_ + ".new") + " " + quote(status_);
    const std::string size = "-x " + std::to_string(opts.cols) + " -y " + std::to_string(opts.rows);
    if (!opts.job_shell) {
        tmux("new-session -d -s run " + size + " " + quote(command + "; exec sleep 3600"));
        return;
    }

    // A script of its own, so the job is one process that the shell waits for:
    // a stopped job never lets the status be written early, as the rest of a
    // command line typed at the prompt would run on when its first command stops.
    const std::string job = root_ + "/job";
    std::ofstream(job) << "#!/bin/sh\n" << command << "\n";
    chmod(job.c_str(), 0755);
    tmux("new-session -d -s run " + size + " " +
         quote("exec env HOME=" + quote(home_) + " HISTFILE=/dev/null 'PS1=km$ ' bash --norc --noprofile -i"));
    // The capture drops the blank that ends the prompt.
    if (!wait_for("km$")) {
        tmux("kill-server");
        throw std::runtime_error("terminal_run: the shell shows no prompt");
    }
    send("send-keys -t run -l " + quote(job));
    send("send-keys -t run Enter");
}

terminal_run::~terminal_run() {
    tmux("kill-server");
    if (tty_ >= 0) close(tty_);
    if (steps_ >= 0) close(steps_);
    if (counts_ != nullptr) munmap(counts_, 4 * sizeof(uint64_t));
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string terminal_run::tmux(const std::string& args) {
    return run_capture("tmux -S " + quote(socket_) + " -f " + quote(config_) + " " + args + " 2>/dev/null");
}

int terminal_run::tty_fd() {
    if (tty_ < 0) {
        std::string name = tmux("display -p -t run '#{pane_tty}'");
        while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
        if (!name.empty()) tty_ = open(name.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    return tty_;
}

int terminal_run::pane_pid() {
    if (pane_pid_ < 0) pane_pid_ = atoi(tmux("display -p -t run '#{pane_pid}'").c_str());
    return pane_pid_;
}

int terminal_run::queued_input() {
    int n = 0;
    if (tty_fd() < 0 || ioctl(tty_fd(), FIONREAD, &n) != 0) return -1;
    return n;
}

bool terminal_run::waits_for_input() {
    const std::vector<int> pids = processes_of_session(pane_pid());
    if (pids.empty()) return false;
    for (int pid : pids) {
        if (!waiting_call(read_file("/proc/" + std::to_string(pid) + "/syscall"))) return false;
    }
    return true;
}

bool terminal_run::waits_without_time_out() {
    const std::vector<int> pids = processes_of_session(pane_pid());
    if (pids.empty()) return false;
    for (int pid : pids)
        if (!waits_without_time_out_in(read_file("/proc/" + std::to_string(pid) + "/syscall"))) return false;
    return true;
}

uint64_t terminal_run::bytes_read() {
    uint64_t total = 0;
    for (int pid : processes_of_session(pane_pid())) {
        std::string io = read_file("/proc/" + std::to_string(pid) + "/io");
        size_t at = io.find("rchar: ");
        if (at != std::string::npos) total += strtoull(io.c_str() + at + 7, nullptr, 10);
    }
    return total;
}

// tmux writes to the terminal after answering the command: wait until the
// bytes are in the terminal's input or the program has already read them.
void terminal_run::send(const std::string& args) {
    const uint64_t before = bytes_read();
    tmux(args);
    for (deadline d(2); !d.passed() && queued_input() <= 0 && bytes_read() == before;) pause_ms(2);
}

void terminal_run::keys(const std::vector<std::string>& names) {
    std::string args = "send-keys -t run";
    for (const auto& n : names) {
        args += ' ';
        args += quote(n);
    }
    send(args);
}

void terminal_run::type(const std::string& text) {
    for (char c : text) send("send-keys -t run -l " + quote(std::string(1, c)));
}

void terminal_run::bytes(const std::string& raw) {
    std::string args = "send-keys -t run -H";
    char hex[4];
    for (unsigned char c : raw) {
        snprintf(hex, sizeof hex, " %02x", c);
        args += hex;
    }
    send(args);
}

void terminal_run::resize(int rows, int cols) {
    tmux("resize-window -t run -x " + std::to_string(cols) + " -y " + std::to_string(rows));
    const std::string want = std::to_string(rows) + " " + std::to_string(cols) + "\n";
    for (deadline d(5); !d.passed();) {
        winsize ws{};
        if (tty_fd() >= 0 && ioctl(tty_fd(), TIOCGWINSZ, &ws) == 0 && ws.ws_row == rows && ws.ws_col == cols) return;
        pause_ms(5);
    }
}

std::string terminal_run::screen() { return tmux("capture-pane -p -t run"); }

std::string terminal_run::screen_with_attrs() { return tmux("capture-pane -p -e -t run"); }

std::string terminal_run::row_of(const std::string& screen, int y) {
    size_t at = 0;
    for (int i = 0; i < y; ++i) {
        at = screen.find('\n', at);
        if (at == std::string::npos) return "";
        ++at;
    }
    return screen.substr(at, screen.find('\n', at) - at);
}

std::string terminal_run::row(int y) { return row_of(screen(), y); }

std::pair<int, int> terminal_run::cursor() {
    int x = -1, y = -1;
    sscanf(tmux("display -p -t run '#{cursor_x} #{cursor_y}'").c_str(), "%d %d", &x, &y);
    return {y, x};
}

bool terminal_run::wait_until(const std::function<bool(const std::string&)>& holds, double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (holds(screen())) {
            // The text may come before the rest of the same repaint: let tmux take in all of it.
            stable_capture("", 1);
            return true;
        }
        pause_ms(20);
    }
    return false;
}

bool terminal_run::wait_for(const std::string& text, double seconds) {
    return wait_until([&](const std::string& s) { return s.find(text) != std::string::npos; }, seconds);
}

bool terminal_run::wait_gone(const std::string& text, double seconds) {
    return wait_until([&](const std::string& s) { return s.find(text) == std::string::npos; }, seconds);
}

// The program stands still, so the screen changes only while tmux takes in
// what was written before: two equal captures in a row mean it has all of it.
std::string terminal_run::stable_capture(const std::string& flags, double seconds) {
    std::string last = tmux("capture-pane -p " + flags + " -t run");
    for (deadline d(seconds); !d.passed();) {
        pause_ms(20);
        std::string now = tmux("capture-pane -p " + flags + " -t run");
        if (now == last) return now;
        last = now;
    }
    return last;
}

bool terminal_run::settle(double seconds) {
    for (deadline d(seconds); !d.passed();) {
        const int queued = queued_input();
        if (queued == 0 && waits_for_input() && !throttled_sleep()) {
            // Past an escape sequence's delay, which also waits in poll with a key half read.
            const uint64_t read_so_far = bytes_read();
            pause_ms(80);
            if (queued_input() == 0 && waits_for_input() && bytes_read() == read_so_far) {
                stable_capture("");
                return true;
            }
            continue;
        }
        // A gated program pausing with keys unread reads them after the pause;
        // a sleep that a key began (a throttle) is part of answering that key.
        if ((queued > 0 && at_gate()) || throttled_sleep()) {
            const uint64_t left = __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST);
            if (write(steps_, "s", 1) != 1) return false;
            for (deadline s(5); !s.passed() && __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST) == left;) pause_ms(2);
            continue;
        }
        pause_ms(5);
    }
    return false;
}

bool terminal_run::wait_answerable(double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (at_gate()) {
            const uint64_t left = __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST);
            if (write(steps_, "s", 1) != 1) return false;
            for (deadline s(5); !s.passed() && __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST) == left;) pause_ms(2);
            continue;
        }
        // The gate's own wait has no time-out either: it is looked at again after the calls.
        if (queued_input() == 0 && waits_without_time_out() && !at_gate()) {
            // Twice, a little apart: a call caught on its way through is not a wait.
            pause_ms(20);
            if (queued_input() == 0 && waits_without_time_out() && !at_gate()) {
                stable_capture("");
                return true;
            }
        }
        pause_ms(2);
    }
    return false;
}

bool terminal_run::running() { return !std::filesystem::exists(status_); }

int terminal_run::wait_exit(double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (!running()) {
            // The shell set the title after the program's last output.
            for (deadline t(5); !t.passed();) {
                if (tmux("display -p -t run '#{pane_title}'").rfind("km-ended", 0) == 0) break;
                pause_ms(10);
            }
            return std::atoi(read_file(status_).c_str());
        }
        pause_ms(20);
    }
    return -1;
}

bool terminal_run::throttled_sleep() {
    return at_gate() && __atomic_load_n(&counts_[2], __ATOMIC_SEQ_CST) == 1 &&
           __atomic_load_n(&counts_[3], __ATOMIC_SEQ_CST) == 1;
}

std::vector<int> terminal_run::processes() {
    std::vector<int> found;
    for (int pid : processes_of_session(pane_pid()))
        if (pid != pane_pid()) found.push_back(pid);
    return found;
}

bool terminal_run::wait_stopped(double seconds) {
    for (deadline d(seconds); !d.passed(); pause_ms(10)) {
        const std::vector<int> job = processes();
        bool stopped = !job.empty();
        for (int pid : job) stopped = stopped && process_state(pid) == 'T';
        if (stopped && waiting_call(read_file("/proc/" + std::to_string(pane_pid()) + "/syscall"))) {
            stable_capture("");
            return true;
        }
    }
    return false;
}

void terminal_run::hang_up() { tmux("kill-server"); }

bool terminal_run::at_gate() {
    if (counts_ == nullptr) return false;
    const uint64_t left = __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST);
    const uint64_t came = __atomic_load_n(&counts_[0], __ATOMIC_SEQ_CST);
    return came == left + 1;
}

// At the gate, or out of the gated play in a wait for a key (a question, a page).
bool terminal_run::wait_at_gate(double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (at_gate() || (queued_input() == 0 && waits_for_input())) return true;
        pause_ms(2);
    }
    return false;
}

bool terminal_run::step(int frames) {
    if (counts_ == nullptr) throw std::logic_error("terminal_run::step: the run is not gated");
    for (int i = 0; i < frames; ++i) {
        // A page that is not paced has no frame to let pass.
        if (!wait_at_gate(10) || !at_gate()) return false;
        const uint64_t left = __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST);
        if (write(steps_, "s", 1) != 1) return false;
        bool moved = false;
        for (deadline d(10); !d.passed() && !moved;) {
            moved = __atomic_load_n(&counts_[1], __ATOMIC_SEQ_CST) > left;
            if (!moved) pause_ms(1);
        }
        if (!moved) return false;
    }
    return wait_at_gate(10);
}

bool terminal_run::step_until(const std::function<bool(const std::string&)>& holds, int frames) {
    for (int i = 0; i <= frames; ++i) {
        if (holds(frozen_screen())) return true;
        if (i < frames && !step()) return false;
    }
    return false;
}

bool terminal_run::step_until(const std::string& text, int frames) {
    return step_until([&](const std::string& s) { return s.find(text) != std::string::npos; }, frames);
}

std::string terminal_run::frozen_screen() {
    wait_at_gate(10);
    return stable_capture("");
}

std::string terminal_run::frozen_screen_with_attrs() {
    wait_at_gate(10);
    return stable_capture("-e");
}

std::string terminal_run::read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
