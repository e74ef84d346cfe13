// voltrider run in a real terminal: the hint, crashes, the score table, help pages and the ways out.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>
#include <sstream>
#include <string>

#include "terminal_run.h"

namespace {

const std::string hint = "Suffering PSE? Press e.";
const std::string game_over = "Game over! Press a key to see the high scores:";

std::string voltrider() { return program_path("voltrider"); }

// A run whose ticks move only on a key or a step, with a fixed start, so no
// crash, stop or pickup ever depends on the clock.
terminal_run::options frozen() {
    terminal_run::options opts;
    opts.gated = true;
    // This seed leaves the cells around the starting place empty.
    opts.seed = 1;
    return opts;
}

// Turns back and forth until the vehicle runs onto its own trail: each key is
// one tick, and the tick after a turn back finds the vehicle on its trail. A
// stop on the way takes a key of its own, so the turns go on until it shows.
bool crash(terminal_run& t) {
    for (int i = 0; i < 8; ++i) {
        t.keys({i % 2 == 0 ? "l" : "h"});
        if (!t.settle()) return false;
        if (t.step_until(game_over, 1)) return true;
    }
    return false;
}

// The line of the trophy's pedestal, with its attributes.
std::string pedestal_line(terminal_run& t) {
    std::istringstream in(t.screen_with_attrs());
    std::string line;
    while (std::getline(in, line))
        if (line.find("|____________|") != std::string::npos) return line;
    return "";
}

// A flashing trophy reads with a time-out, so it never waits as a question
// does: the figure's next colour is the sign that its deaf time is over.
bool past_deaf_time_of_flashing_trophy(terminal_run& t) {
    const std::string first = pedestal_line(t);
    return t.step_until([&](const std::string&) { return pedestal_line(t) != first; }, 50);
}

}  // namespace

TEST(VoltriderProgram, TheHintShowsUnderTheFrameUntilTheFirstKey) {
    terminal_run t(voltrider(), frozen());
    ASSERT_TRUE(t.wait_for(hint));
    EXPECT_EQ(t.row(22).substr(0, hint.size()), hint);
    EXPECT_EQ(t.row(21).rfind("└─", 0), 0u) << "the frame's bottom line";
    EXPECT_NE(t.row(1).find("Score:"), std::string::npos);
    t.keys({"x"});
    EXPECT_TRUE(t.wait_gone(hint));
    t.keys({"q"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(VoltriderProgram, QuittingDuringPlayRecordsNothing) {
    struct row {
        const char* key;
        int status;
    } cases[] = {{"q", 0}, {"Escape", 0}, {"C-c", 2}};
    for (const row& c : cases) {
        terminal_run t(voltrider(), frozen());
        ASSERT_TRUE(t.wait_for(hint)) << c.key;
        t.keys({c.key});
        EXPECT_EQ(t.wait_exit(), c.status) << c.key;
        EXPECT_NE(t.screen().find("Quit."), std::string::npos) << c.key;
        EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/voltrider_scores"), "") << c.key;
    }
}

TEST(VoltriderProgram, OnlyALoneEscapeQuitsNeverAnAltKeyOrAnUnknownSequence) {
    terminal_run t(voltrider(), frozen());
    ASSERT_TRUE(t.wait_for(hint));
    t.keys({"M-x"});
    ASSERT_TRUE(t.settle());
    // Home as some terminals send it, an X10 mouse report, a key with modifiers.
    for (const char* raw : {"\x1b[1~", "\x1b[M !!", "\x1b[1;5P"}) {
        t.bytes(raw);
        ASSERT_TRUE(t.settle()) << raw + 1;
    }
    // A later key's effect shows that every one of them was read.
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("**** THE CONTROLS ****"));
    EXPECT_TRUE(t.running());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    t.keys({"x"});
    ASSERT_TRUE(t.wait_gone("**** THE GAMEPLAY ****"));
    t.keys({"Escape"});
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_NE(t.screen().find("Quit."), std::string::npos);
}

TEST(VoltriderProgram, ACrashEndsTheGameAndItsScoreIsMarkedInTheTable) {
    terminal_run t(voltrider(), frozen());
    ASSERT_TRUE(t.wait_for(hint));
    ASSERT_TRUE(crash(t)) << t.screen();
    EXPECT_EQ(t.row(22).substr(0, game_over.size()), game_over);
    // Shrunk below the line and grown back, the terminal shows the question again.
    t.resize(15, 60);
    ASSERT_TRUE(t.settle());
    ASSERT_TRUE(t.wait_gone(game_over));
    t.resize(24, 80);
    ASSERT_TRUE(t.wait_for(game_over));
    EXPECT_EQ(t.row(22).substr(0, game_over.size()), game_over);
    EXPECT_EQ(t.row(21).rfind("└─", 0), 0u) << "the frame's bottom line";
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Wanna play again"));
    EXPECT_EQ(t.row(3).substr(0, 16), ">*>*>Top 10<*<*<");
    const std::string entry = t.row(4);
    ASSERT_EQ(entry.substr(0, 15), ">>>1) tester : ") << entry;
    const std::string score = entry.substr(15, entry.find_last_not_of(' ') - 14);
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/voltrider_scores"), "tester : " + score + "\n");
    EXPECT_EQ(t.row(6).substr(0, 33), "Game over! Wanna play again?(y/n)");
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.screen().find("Quit."), std::string::npos);
}

// The question's cursor stands after it; a resize that cuts the page leaves it
// wherever the shrink put it, and the page put back must put it back too.
TEST(VoltriderProgram, AfterAResizeAtTheQuestionTheCursorIsBackAfterIt) {
    terminal_run t(voltrider(), frozen());
    ASSERT_TRUE(t.wait_for(hint));
    ASSERT_TRUE(crash(t)) << t.screen();
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Wanna play again"));
    ASSERT_TRUE(t.wait_answerable());
    const std::pair<int, int> after_question{6, 33};
    EXPECT_EQ(t.cursor(), after_question);
    t.resize(5, 20);
    ASSERT_TRUE(t.settle());
    t.resize(24, 80);
    ASSERT_TRUE(t.settle());
    ASSERT_TRUE(t.wait_for("Game over! Wanna play again?(y/n)"));
    EXPECT_EQ(t.cursor(), after_question);
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(VoltriderProgram, ANewRecordShowsTheTrophyAndAnotherGameFollows) {
    terminal_run t(voltrider(), frozen());
    std::ofstream(t.scores_dir() + "/voltrider_scores") << "someone : 1\n";
    ASSERT_TRUE(t.wait_for(hint));
    ASSERT_TRUE(crash(t)) << t.screen();
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("*****CONGRATULATIONS!****"));
    EXPECT_NE(t.screen().find("someone"), std::string::npos);
    EXPECT_NE(t.screen().find("Press a key to proceed:"), std::string::npos);
    ASSERT_TRUE(past_deaf_time_of_flashing_trophy(t));
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Wanna play again"));
    EXPECT_EQ(t.row(4).substr(0, 15), ">>>1) tester : ");
    EXPECT_EQ(t.row(5).substr(0, 14), "2) someone : 1");
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"y"});
    ASSERT_TRUE(t.wait_gone("Wanna play again"));
    ASSERT_TRUE(t.settle());
    ASSERT_TRUE(t.step(3));
    // The hint belongs to the first game of the process only.
    EXPECT_EQ(t.frozen_screen().find(hint), std::string::npos);
    EXPECT_NE(t.frozen_screen().find("Score:"), std::string::npos);
    t.keys({"q"});
    EXPECT_EQ(t.wait_exit(), 0);
}

// Under nohup, or when a remote session closes while SIGHUP is ignored, the
// flashing trophy page must notice that its terminal is gone and end.
TEST(VoltriderProgram, TheTrophyPageEndsWhenItsTerminalIsGoneWhileHangUpsAreIgnored) {
    terminal_run::options opts = frozen();
    opts.args = {"-c", "trap '' HUP; exec \"$0\"", voltrider()};
    terminal_run t("/bin/sh", opts);
    std::ofstream(t.scores_dir() + "/voltrider_scores") << "someone : 1\n";
    ASSERT_TRUE(t.wait_for(hint));
    ASSERT_TRUE(crash(t));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("*****CONGRATULATIONS!****"));
    const std::vector<int> game = t.processes();
    ASSERT_FALSE(game.empty());
    t.hang_up();
    auto alive = [&] {
        for (int pid : game)
            if (kill(pid, 0) == 0 && terminal_run::read_file("/proc/" + std::to_string(pid) + "/stat").find(") Z") == std::string::npos)
                return true;
        return false;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (alive() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(alive()) << "the game reads on with no terminal";
    for (int pid : game) kill(pid, SIGKILL);
}

TEST(VoltriderProgram, TheTrophyFlashesInColourUnlessThePhotosensitivitySwitchWasPressed) {
    for (bool switched : {false, true}) {
        terminal_run t(voltrider(), frozen());
        std::ofstream(t.scores_dir() + "/voltrider_scores") << "someone : 1\n";
        ASSERT_TRUE(t.wait_for(hint));
        if (switched) {
            t.keys({"e"});
            ASSERT_TRUE(t.settle());
        }
        ASSERT_TRUE(crash(t)) << t.screen();
        ASSERT_TRUE(t.wait_answerable());
        t.keys({"x"});
        ASSERT_TRUE(t.wait_for("*****CONGRATULATIONS!****"));
        std::string line = pedestal_line(t);
        ASSERT_NE(line, "");
        // A foreground colour of the six (30 to 37 and their 256-colour forms) shows as an SGR with 3x.
        EXPECT_EQ(line.find("\x1b[3") != std::string::npos, !switched) << (switched ? "after e" : "colours on");
        if (switched) ASSERT_TRUE(t.wait_answerable());
        else ASSERT_TRUE(past_deaf_time_of_flashing_trophy(t));
        t.keys({"q"});
        ASSERT_TRUE(t.wait_for("Wanna play again"));
        ASSERT_TRUE(t.wait_answerable());
        t.keys({"n"});
        EXPECT_EQ(t.wait_exit(), 0);
    }
}

TEST(VoltriderProgram, HelpKeysShowTheControlsAndTheGameplayPages) {
    terminal_run t(voltrider(), frozen());
    ASSERT_TRUE(t.wait_for(hint));
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("**** THE CONTROLS ****"));
    EXPECT_EQ(t.row(4).substr(0, 34), "hjkl/ARROW KEYS : Change direction");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    EXPECT_EQ(t.row(6).substr(0, 48), "left behind. Keep it running as much as you can.");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Score:"));
    t.keys({"F2"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    EXPECT_EQ(t.screen().find("THE CONTROLS"), std::string::npos);
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Score:"));
    t.keys({"q"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(VoltriderProgram, AtFortyColumnsTheHelpPagesCutTheirLinesInsteadOfWrappingThem) {
    terminal_run::options opts = frozen();
    opts.cols = 40;
    terminal_run t(voltrider(), opts);
    ASSERT_TRUE(t.step_until("Score:", 5));
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("**** THE CONTROLS ****"));
    EXPECT_EQ(t.row(6), "F1 & F2: Help on controls & gameplay");
    EXPECT_EQ(t.row(8), "Press a key to continue");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("**** THE GAMEPLAY ****"));
    // Each line keeps its own row: the end of a long one is cut, not carried to the next.
    EXPECT_EQ(t.row(4), "You are controlling a strange vehicle wh");
    EXPECT_EQ(t.row(5), "survive explosions but cannot cross the");
    EXPECT_EQ(t.row(6), "left behind. Keep it running as much as");
    EXPECT_EQ(t.row(7), "");
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("Score:"));
    t.keys({"q"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(VoltriderProgram, AnArgumentIsAnsweredAndTheGamePlaysAllTheSame) {
    terminal_run::options opts = frozen();
    opts.args = {"--fast"};
    terminal_run t(voltrider(), opts);
    ASSERT_TRUE(t.wait_for(hint));
    t.keys({"q"});
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_NE(t.screen().find("game doesn't take arguments"), std::string::npos);
}

TEST(VoltriderProgram, QuitGoesBelowTheArgumentMessageInsteadOfOverIt) {
    terminal_run::options opts = frozen();
    opts.args = {"foo"};
    terminal_run t(voltrider(), opts);
    ASSERT_TRUE(t.wait_for(hint));
    t.keys({"q"});
    ASSERT_EQ(t.wait_exit(), 0);
    const std::string screen = t.screen();
    int row = 0;
    while (row < 24 && terminal_run::row_of(screen, row).find("arguments") == std::string::npos) ++row;
    ASSERT_LT(row, 24) << screen;
    EXPECT_EQ(terminal_run::row_of(screen, row), "This game doesn't take arguments") << screen;
    EXPECT_EQ(terminal_run::row_of(screen, row + 1), "Quit.") << screen;
}
