// coilclash in a real terminal: options, the arena size, losing, the question and the ways out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <cstdio>
#include <thread>
#include <utility>

#include <regex>
#include <sstream>
#include <string>

#include "terminal_run.h"

namespace {

std::string coilclash() { return program_path("coilclash"); }

// The program runs under a shell that stays on after it and prints its exit status: the
// terminal harness may lose the top row and the status of a pane whose program has just ended.
// The shell ignores SIGINT so that only the program answers C-c (it installs its own handler).
terminal_run::options with_args(std::vector<std::string> args) {
    terminal_run::options o;
    o.args = {"-c", "trap '' INT; \"$0\" \"$@\"; echo \"exit status $?\"; sleep 60", coilclash()};
    for (auto& a : args) o.args.push_back(std::move(a));
    return o;
}

std::unique_ptr<terminal_run> launch(std::vector<std::string> args = {}, bool gated = false) {
    terminal_run::options o = with_args(std::move(args));
    o.gated = gated;
    return std::make_unique<terminal_run>("/bin/sh", o);
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The program's exit status, once the shell has printed it; -1 if it never ends.
int exit_status(terminal_run& t) {
    if (!t.wait_for("exit status ")) return -1;
    const std::string screen = t.screen();
    return std::atoi(screen.c_str() + screen.find("exit status ") + 12);
}

// Runs the program with no terminal at all: output (both streams) and exit status.
std::pair<std::string, int> run_without_terminal(const std::string& args) {
    std::string out;
    FILE* p = popen(("env -u TERM ASAN_OPTIONS=detect_leaks=0 " + coilclash() + " " + args + " 2>&1 </dev/null").c_str(), "r");
    if (p == nullptr) return {"", -1};
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = pclose(p);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

const char* const question = "Game over! Wanna play again?(y/n)";

TEST(CoilclashE2E, HelpAndTheSpareOptionPrintTheUsageAndEndWithOne) {
    const std::string usage = "Usage:" + coilclash() + " [options]\n -l length\n -w width\n -h help\n";
    // Without any terminal the usage still comes out whole: the screen is never set up.
    for (const char* option : {"-h", "-n"}) {
        const auto [out, status] = run_without_terminal(option);
        EXPECT_EQ(out, usage) << option;
        EXPECT_EQ(status, 1) << option;
    }
    const auto [out, status] = run_without_terminal("-x");
    EXPECT_NE(out.find(usage), std::string::npos) << out;
    EXPECT_NE(out.find("-- 'x'"), std::string::npos) << "getopt's complaint first: " << out;
    EXPECT_EQ(status, 1);

    for (const char* option : {"-h", "-n"}) {
        auto run = launch({option});
        terminal_run& t = *run;
        EXPECT_EQ(exit_status(t), 1) << option;
        const std::string screen = t.screen();
        EXPECT_EQ(screen.rfind(usage + "exit status 1", 0), 0u) << screen;
        EXPECT_EQ(screen.find("wins"), std::string::npos) << "the game never started";
    }
}

TEST(CoilclashE2E, A24By80TerminalGetsA17By75ArenaAndThePlayerRunsIntoTheWall) {
    auto run = launch();
    terminal_run& t = *run;
    // Nobody steers: the player's snake runs up into the top wall.
    ASSERT_TRUE(t.wait_for(question)) << t.screen();
    ASSERT_TRUE(t.wait_answerable());
    EXPECT_EQ(t.row(3), "┌" + repeat("─", 75) + "┐");
    EXPECT_EQ(t.row(21), "└" + repeat("─", 75) + "┘");
    EXPECT_EQ(t.row(12).substr(0, 3), "│");
    EXPECT_EQ(t.row(22).rfind(question, 0), 0u) << "the question stands at row len + 5";
    EXPECT_NE(t.row(1).find("Computer's wins: 1"), std::string::npos);
    EXPECT_NE(t.row(2).find("Your wins: 0"), std::string::npos);
    t.keys({"n"});
    EXPECT_EQ(exit_status(t), 0);
}

TEST(CoilclashE2E, SteeredRightThePlayerEndsAgainstTheRightWall) {
    auto run = launch();
    terminal_run& t = *run;
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    t.keys({"l"});
    ASSERT_TRUE(t.wait_for(question)) << t.screen();
    ASSERT_TRUE(t.wait_answerable());
    EXPECT_NE(t.row(1).find("Computer's wins: 1"), std::string::npos);
    // Some arena row ends in a run of snake cells (blanks with attributes) touching the right border.
    const std::regex touching("(\x1b\\[[0-9;]*m)+ +(\x1b\\[[0-9;]*m)+│");
    std::istringstream rows(t.screen_with_attrs());
    std::string line;
    bool touches = false;
    for (int y = 0; std::getline(rows, line); ++y)
        if (y >= 4 && y <= 20 && std::regex_search(line, touching)) touches = true;
    EXPECT_TRUE(touches) << t.screen_with_attrs();
    t.keys({"n"});
    EXPECT_EQ(exit_status(t), 0);
}

TEST(CoilclashE2E, AnyOtherAnswerPlaysOnAndNEndsQuietly) {
    auto run = launch();
    terminal_run& t = *run;
    ASSERT_TRUE(t.wait_for(question));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"y"});
    ASSERT_TRUE(t.wait_for("Computer's wins: 2")) << t.screen();
    ASSERT_TRUE(t.wait_for(question));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("Computer's wins: 3")) << t.screen();
    ASSERT_TRUE(t.wait_for(question));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(exit_status(t), 0);
    EXPECT_EQ(t.screen().find("Quit."), std::string::npos);
}

// A direction key held down repeats every 30 ms or so; the crash comes while
// it repeats, and the question must stay until the player answers it.
TEST(CoilclashE2E, AKeyHeldThroughTheCrashNeverAnswersTheQuestion) {
    auto run = launch();
    terminal_run& t = *run;
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    std::atomic<bool> holding{true};
    // Up, the way the snake runs anyway: into the top wall.
    std::thread repeat([&] {
        while (holding) {
            t.keys({"k"});
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    const bool asked = t.wait_for(question);
    const auto asked_at = std::chrono::steady_clock::now();
    bool stayed = asked;
    while (stayed && std::chrono::steady_clock::now() - asked_at < std::chrono::seconds(1))
        stayed = t.screen().find(question) != std::string::npos;
    holding = false;
    repeat.join();
    ASSERT_TRUE(asked) << t.screen();
    ASSERT_TRUE(t.settle());
    EXPECT_TRUE(stayed) << "the held key answered the question";
    EXPECT_NE(t.screen().find(question), std::string::npos);
    EXPECT_NE(t.row(1).find("Computer's wins: 1"), std::string::npos) << "no other match was played";
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(exit_status(t), 0);
}

TEST(CoilclashE2E, TheQuestionTakesTheLastRowOfATerminalTooShortForIt) {
    terminal_run::options o = with_args({"-l", "20", "-w", "30"});
    o.rows = 20;
    terminal_run t("/bin/sh", o);
    ASSERT_TRUE(t.wait_for(question)) << t.screen();
    EXPECT_EQ(t.row(19).rfind(question, 0), 0u) << t.screen();
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(exit_status(t), 0);
}

TEST(CoilclashE2E, QuitKeysAndInterruptSayQuit) {
    struct row {
        const char* key;
        int status;
    };
    for (const row& k : {row{"q", 0}, row{"Escape", 0}, row{"C-c", 2}}) {
        auto run = launch({"-l", "100"});
        terminal_run& t = *run;
        ASSERT_TRUE(t.wait_for("Your wins: 0"));
        t.keys({k.key});
        EXPECT_EQ(exit_status(t), k.status) << k.key;
        EXPECT_NE(t.screen().find("Quit.\nexit status"), std::string::npos) << k.key;
    }
}

TEST(CoilclashE2E, AnOptionFixesTheSizeWhateverTheTerminal) {
    auto run = launch({"-l", "20"});
    terminal_run& t = *run;
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    EXPECT_EQ(t.row(3), "┌" + repeat("─", 40) + "┐");
    EXPECT_EQ(t.row(23), "│" + std::string(40, ' ') + "│") << "the bottom border lies below the terminal";
    t.keys({"q"});
    EXPECT_EQ(exit_status(t), 0);
}

TEST(CoilclashE2E, PauseAndHelpScreensWaitForAKeyThenPlayResumes) {
    // The snakes move only when stepped (or on a key), so no wall comes near
    // however long the pages take.
    auto run = launch({}, true);
    terminal_run& t = *run;
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    t.keys({"p"});
    ASSERT_TRUE(t.wait_for("PAUSED"));
    EXPECT_EQ(t.row(1).substr(13, 6), "PAUSED");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_gone("PAUSED"));
    ASSERT_TRUE(t.settle());
    EXPECT_EQ(t.row(1).find("PAU"), std::string::npos) << "the pause leaves nothing behind: " << t.row(1);
    EXPECT_NE(t.screen().find("Your wins: 0"), std::string::npos);
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("**** THE CONTROLS ****"));
    EXPECT_EQ(t.row(4), "hjkl/ARROW KEYS : Change direction");
    EXPECT_EQ(t.row(8), "Press a key to continue");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    EXPECT_EQ(t.row(4), "Don't hit the walls, the other snake and yourself. Kill the other snake.");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_gone("**** THE GAMEPLAY ****"));
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    t.keys({"F2"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    EXPECT_EQ(t.screen().find("THE CONTROLS"), std::string::npos);
    t.keys({"x"});
    ASSERT_TRUE(t.wait_gone("**** THE GAMEPLAY ****"));
    ASSERT_TRUE(t.wait_for("Your wins: 0"));
    EXPECT_EQ(t.screen().find(question), std::string::npos) << "nobody lost meanwhile";
    t.keys({"q"});
    EXPECT_EQ(exit_status(t), 0);
}

}  // namespace
