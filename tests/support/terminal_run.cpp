// The end-to-end harness: one private tmux server per run.
#include "terminal_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef KM_BIN_DIR
#error "KM_BIN_DIR must name the folder of the built programs"
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
        {"ASAN_OPTIONS", "detect_leaks=0"},
    };
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
    // Ctrl-C (a trap, unlike an ignore, is not inherited by the program).
    status_ = root_ + "/status";
    command = "trap : INT; " + command + "; echo $? > " + quote(status_ + ".new") + "; mv " + quote(status_ + ".new") +
              " " + quote(status_) + "; exec sleep 3600";

    tmux("new-session -d -s run -x " + std::to_string(opts.cols) + " -y " + std::to_string(opts.rows) + " " +
         quote(command));
}

terminal_run::~terminal_run() {
    tmux("kill-server");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string terminal_run::tmux(const std::string& args) {
    return run_capture("tmux -S " + quote(socket_) + " -f " + quote(config_) + " " + args + " 2>/dev/null");
}

void terminal_run::keys(const std::vector<std::string>& names) {
    std::string args = "send-keys -t run";
    for (const auto& n : names) {
        args += ' ';
        args += quote(n);
    }
    tmux(args);
    pause_ms(50);
}

void terminal_run::type(const std::string& text) {
    for (char c : text) {
        tmux("send-keys -t run -l " + quote(std::string(1, c)));
        pause_ms(20);
    }
    pause_ms(50);
}

void terminal_run::resize(int rows, int cols) {
    tmux("resize-window -t run -x " + std::to_string(cols) + " -y " + std::to_string(rows));
    pause_ms(100);
}

std::string terminal_run::screen() { return tmux("capture-pane -p -t run"); }

std::string terminal_run::screen_with_attrs() { return tmux("capture-pane -p -e -t run"); }

std::string terminal_run::row(int y) {
    std::istringstream in(screen());
    std::string line;
    for (int i = 0; i <= y && std::getline(in, line); ++i) {
        if (i == y) return line;
    }
    return "";
}

namespace {

// Deadlines on the clock: on a loaded machine the polls themselves take time.
struct deadline {
    explicit deadline(double seconds)
        : end(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                     std::chrono::duration<double>(seconds))) {}
    bool passed() const { return std::chrono::steady_clock::now() >= end; }
    std::chrono::steady_clock::time_point end;
};

}  // namespace

bool terminal_run::wait_for(const std::string& text, double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (screen().find(text) != std::string::npos) return true;
        pause_ms(50);
    }
    return false;
}

bool terminal_run::running() { return !std::filesystem::exists(status_); }

int terminal_run::wait_exit(double seconds) {
    for (deadline d(seconds); !d.passed();) {
        if (!running()) {
            pause_ms(100);  // what the program printed last reaches the screen
            return std::atoi(read_file(status_).c_str());
        }
        pause_ms(50);
    }
    return -1;
}

std::string terminal_run::read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
