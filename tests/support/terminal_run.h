// Runs a real program in a real terminal (a private tmux server) with its own
// HOME and score directory, types at it and reads its screen and exit status.
#pragma once

#include <map>
#include <string>
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
    void keys(const std::vector<std::string>& names);
    // Literal text, character by character.
    void type(const std::string& text);
    // Changes the terminal's size while the program runs.
    void resize(int rows, int cols);

    std::string screen();             // plain text, one line per row
    std::string screen_with_attrs();  // with the escape sequences of attributes and colours
    std::string row(int y);

    // Polls the screen until `text` shows (true) or `seconds` pass (false).
    bool wait_for(const std::string& text, double seconds = 10);
    // Polls until the program has ended; its exit status, or -1 on time-out.
    int wait_exit(double seconds = 10);
    bool running();

    // Contents of a file, empty when missing.
    static std::string read_file(const std::string& path);

private:
    std::string tmux(const std::string& args);
    std::string socket_, home_, scores_, config_, root_, status_;
};
