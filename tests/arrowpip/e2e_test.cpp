// arrowpip in a real terminal: shots, the ways a game ends, the score table, the exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "terminal_run.h"

namespace {

std::string arrowpip() { return program_path("arrowpip"); }

// The number after "Score: " on row 5.
long shown_score(terminal_run& t) {
    std::string line = t.row(5);
    size_t at = line.find("Score: ");
    EXPECT_NE(at, std::string::npos) << line;
    return at == std::string::npos ? 0 : std::stol(line.substr(at + 7));
}

// Fires `key` once the program waits for keys again: a key typed during the
// sleep that follows every key is dropped on purpose.
bool fire(terminal_run& t, const std::string& key, const std::string& text) {
    if (!t.settle()) return false;
    t.type(key);
    return t.wait_for(text);
}

int row_with(terminal_run& t, const std::string& text) {
    for (int y = 0; y < 24; ++y)
        if (t.row(y).find(text) != std::string::npos) return y;
    return -1;
}

// A table line's score stands with its last digit in column 78; a minus sign is
// not counted, so a negative score reaches column 79.
void expect_flush_right(const std::string& line, long score) {
    std::string digits = std::to_string(score);
    size_t last = score < 0 ? 79 : 78;
    ASSERT_GE(line.size(), last + 1) << line;
    EXPECT_EQ(line.substr(last + 1 - digits.size(), digits.size()), digits) << line;
    EXPECT_EQ(line[last - digits.size()], '.') << line;
}

TEST(ArrowpipRun, ALetterTakesOneShotInEitherCaseAndEscEndsTheGame) {
    terminal_run t(arrowpip());
    ASSERT_TRUE(t.wait_for("Shots: 10"));
    ASSERT_TRUE(fire(t, "a", "Shots: 9"));
    ASSERT_TRUE(t.settle());
    t.type("A");
    ASSERT_TRUE(t.settle());
    EXPECT_NE(t.screen().find("Shots: 9"), std::string::npos) << "'A' took no shot";
    ASSERT_TRUE(fire(t, "b", "Shots: 8")) << "'b' took one";
    ASSERT_TRUE(t.settle());
    EXPECT_EQ(t.screen().find("Shots: 7"), std::string::npos);

    t.keys({"Escape"});
    ASSERT_TRUE(t.wait_for("Press any key to continue:"));
    EXPECT_EQ(t.screen().find("Shots:"), std::string::npos) << "the final board has no shot counter";
    long score = shown_score(t);
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    ASSERT_TRUE(t.wait_for("Wanna play again? (y/n)"));
    EXPECT_EQ(t.row(2).substr(0, 10), " >>>tester");
    expect_flush_right(t.row(2), score);
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/arrowpip_scores"),
              "tester : " + std::to_string(score) + "\n");
    ASSERT_TRUE(t.wait_answerable());

    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(ArrowpipRun, HelpPausesASecondQEndsTheGameAndAnyKeyPlaysAgain) {
    terminal_run t(arrowpip());
    {
        FILE* f = fopen((t.scores_dir() + "/arrowpip_scores").c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs("old : -300\n", f);
        fclose(f);
    }
    ASSERT_TRUE(t.wait_for("Shots: 10"));
    t.type("?");
    ASSERT_TRUE(t.wait_for("GAME PLAY"));
    ASSERT_TRUE(t.settle());
    EXPECT_TRUE(t.running());
    EXPECT_NE(t.screen().find("GAME PLAY"), std::string::npos) << "help waits for its key";
    t.keys({"Space"});
    ASSERT_TRUE(t.wait_for("Shots: 10"));

    ASSERT_TRUE(fire(t, "q", "ESC or Ctrl-C to quit."));
    EXPECT_NE(t.screen().find("Shots: 9"), std::string::npos) << "the first 'q' fires at Q";
    ASSERT_TRUE(fire(t, "q", "Press any key to continue:"));
    long score = shown_score(t);
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("Wanna play again? (y/n)"));
    ASSERT_TRUE(t.wait_answerable());
    int old_row = row_with(t, "old");
    ASSERT_GT(old_row, 0);
    expect_flush_right(t.row(old_row), -300);
    expect_flush_right(t.row(row_with(t, ">>>tester")), score);

    t.type("s");
    t.keys({"Up"});
    ASSERT_TRUE(t.settle());
    EXPECT_NE(t.screen().find("Wanna play again?"), std::string::npos) << "'s' and the arrows are ignored";
    t.type("y");
    ASSERT_TRUE(t.wait_for("Shots: 10"));
    EXPECT_NE(t.screen().find("Score: 0"), std::string::npos);
    t.keys({"Escape"});
    ASSERT_TRUE(t.wait_for("Press any key to continue:"));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"Space"});
    ASSERT_TRUE(t.wait_for("Wanna play again? (y/n)"));
    ASSERT_TRUE(t.wait_answerable());
    t.type("N");
    EXPECT_EQ(t.wait_exit(), 0);
    std::string table = terminal_run::read_file(t.scores_dir() + "/arrowpip_scores");
    EXPECT_NE(table.find("old : -300\n"), std::string::npos) << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3) << table;
}

TEST(ArrowpipRun, TheGameEndsAfterTheTenthLetterStops) {
    terminal_run t(arrowpip());
    ASSERT_TRUE(t.wait_for("Shots: 10"));
    const std::string letters = "abcdefghij";
    for (size_t i = 0; i < letters.size(); ++i) {
        ASSERT_TRUE(fire(t, letters.substr(i, 1), "Shots: " + std::to_string(9 - i))) << letters[i];
    }
    ASSERT_TRUE(t.wait_for("Press any key to continue:", 10));
    long score = shown_score(t);
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"Space"});
    ASSERT_TRUE(t.wait_for("Wanna play again? (y/n)"));
    expect_flush_right(t.row(2), score);
    ASSERT_TRUE(t.wait_answerable());
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(ArrowpipRun, ArgumentsAreRefusedWithAMessageAndCtrlCQuitsWithStatusTwo) {
    // A shell around the program reports its status and keeps the pane alive: after
    // Ctrl-C tmux may know no exit status, and output just before a pane dies can be lost.
    terminal_run::options o;
    o.args = {"-c", "\"$0\" --fast; echo \"exit status $?\"; sleep 60", arrowpip()};
    terminal_run t("/bin/bash", o);
    ASSERT_TRUE(t.wait_for("Shots: 10"));
    t.keys({"C-c"});
    ASSERT_TRUE(t.wait_for("exit status 2"));
    std::string screen = t.screen();
    EXPECT_NE(screen.find("game doesn't take arguments"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Quit."), std::string::npos) << screen;
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/arrowpip_scores"), "") << "an interrupted game is not recorded";
}

}  // namespace
