// Runs a real program in a real terminal (a private tmux server) with its own
// HOME and score directory, types at it and reads its screen and exit status.
//
// Nothing here counts polls or trusts a fixed sleep: every wait is bounded by
// the clock and ends on a state the program has reached. `settle` is the sign
// that the program has read every key sent so far and waits for more; a check
// that something did not happen belongs after it. A run with `gated` set moves
// only when the test steps it (see frame_gate.c), so nothing races real-time
// motion.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Path of a built program of the suite.
std::string program_path(const std::string& name);

class terminal_run {
public:
    struct options {
        std::vector<std::string> args;
        std::map<std::string, std::string> env;  // added to (or replacing) the defaults
        std::vector<std::string> unset;          // variables removed from the environment
        int rows = 24;
        int cols = 80;
        std::string term = "screen";             // TERM inside the pane
        std::string path_prefix;                 // folder put first on PATH
        // Frames wait for `step` (pauses of the frame's pace only; see frame_gate.c).
        bool gated = false;
        // The random generator's seed, whatever the clock says; -1 leaves the clock's.
        long seed = -1;
        // The pane runs an interactive shell with job control, and the program is
        // typed at its prompt ("km$ "), as a player starts it: Ctrl-Z stops the
        // whole job and typing `fg` and Enter continues it. The shell stays at its
        // prompt after the program has ended.
        bool job_shell = false;
    };

    // Starts `program` (a path). By default HOME and KM_SCORES_DIR are fresh
    // empty folders, USER is "tester" and KM_PLAYER is unset.
    explicit terminal_run(const std::string& program);
    terminal_run(const std::string& program, const options& opts);
    ~terminal_run();
    terminal_run(const terminal_run&) = delete;
    terminal_run& operator=(const terminal_run&) = delete;

    const std::string& home() const { return home_; }
    const std::string& scores_dir() const { return scores_; }

    // tmux key names, one per argument: "q", "Enter", "Escape", "Up", "C-c", "F1".
    // Returns once the keys have reached the terminal (not yet the program).
    void keys(const std::vector<std::string>& names);
    // Literal text, character by character.
    void type(const std::string& text);
    // Bytes as they are, in one write: an escape sequence no terminal description knows.
    void bytes(const std::string& raw);
    // Changes the terminal's size while the program runs; returns once the
    // terminal has the new size.
    void resize(int rows, int cols);

    std::string screen();             // plain text, one line per row
    std::string screen_with_attrs();  // with the escape sequences of attributes and colours
    std::string row(int y);
    // Where the terminal's cursor stands: {row, column}.
    std::pair<int, int> cursor();
    static std::string row_of(const std::string& screen, int y);

    // Polls the screen until `text` shows (true) or `seconds` pass (false).
    bool wait_for(const std::string& text, double seconds = 10);
    // Polls until `text` is gone from the screen.
    bool wait_gone(const std::string& text, double seconds = 10);
    // Polls until `holds` is true of the screen.
    bool wait_until(const std::function<bool(const std::string&)>& holds, double seconds = 10);
    // Waits until the program has read every key sent to it, has done what they
    // ask and waits for input again, with its screen drawn; false on time-out.
    // A gated program standing at a pause with keys unread is stepped past it.
    bool settle(double seconds = 10);
    // Waits until the program reads keys with no time-out, as a question or a
    // page after play does once its deaf time is over (that wait drops every
    // key of its first 300 ms, through timed reads); false on time-out. A gated
    // program standing at a pause (the deaf time's read among them) is stepped
    // past it. Not for a flashing page, which never reads without a time-out:
    // a sign of its own (the next flash) tells that its deaf time is over.
    bool wait_answerable(double seconds = 10);
    // Polls until the program has ended; its exit status, or -1 on time-out.
    // Everything it printed is on the screen by then.
    int wait_exit(double seconds = 10);
    bool running();

    // Gated runs: lets `frames` pauses pass, one at a time, each time waiting
    // until the program stands at the next one (or waits for a key on a page
    // that is not paced); false on time-out, or when it stands in such a wait
    // already.
    bool step(int frames = 1);
    // Steps until `holds` is true of the screen between two frames, at most `frames` times.
    bool step_until(const std::function<bool(const std::string&)>& holds, int frames);
    bool step_until(const std::string& text, int frames);
    // The screen of a gated program standing between two frames.
    std::string frozen_screen();
    std::string frozen_screen_with_attrs();

    // The processes run in the pane, its shell left out.
    std::vector<int> processes();
    // Runs with `job_shell`: polls until every process of the job stands
    // stopped (after Ctrl-Z) and the shell waits at its prompt; false on
    // time-out. What shows then depends on who wrote last: the shell may have
    // printed its prompt before the program left its screen.
    bool wait_stopped(double seconds = 10);
    // Closes the terminal under the program, as a lost connection does.
    void hang_up();

    // Contents of a file, empty when missing.
    static std::string read_file(const std::string& path);

private:
    std::string tmux(const std::string& args);
    void send(const std::string& args);
    int tty_fd();
    int pane_pid();
    int queued_input();
    bool waits_for_input();
    bool waits_without_time_out();
    uint64_t bytes_read();
    bool at_gate();
    bool throttled_sleep();
    bool wait_at_gate(double seconds);
    std::string stable_capture(const std::string& flags, double seconds = 5);
    std::string socket_, home_, scores_, config_, root_, status_;
    int tty_ = -1;
    int pane_pid_ = -1;
    int steps_ = -1;
    uint64_t* counts_ = nullptr;
};
