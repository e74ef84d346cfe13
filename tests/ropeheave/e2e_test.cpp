// ropeheave in a real 80x24 terminal: playing, quitting, the score file, the trophy and exit statuses.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "terminal_run.h"

namespace {

std::string queue_on_screen(terminal_run& t) { return t.row(16).substr(14, 9); }

// Shrinks the terminal until the program has drawn the page without `text`,
// then grows it back: only the program's own repaint brings `text` back.
void shrink_and_grow(terminal_run& t, const std::string& text, int rows = 15, int cols = 60) {
    ASSERT_TRUE(t.settle());
    t.resize(rows, cols);
    ASSERT_TRUE(t.settle());
    ASSERT_TRUE(t.wait_gone(text)) << t.screen();
    t.resize(24, 80);
    ASSERT_TRUE(t.settle());
    EXPECT_TRUE(t.wait_for(text)) << "the page comes back whole";
}

TEST(RopeheaveGame, QuitRecordsTheScoreShowsTheTableAndNoEndsWithZero) {
    terminal_run t(program_path("ropeheave"));
    ASSERT_TRUE(t.wait_for("Type!"));
    std::string queue = queue_on_screen(t);
    t.type(queue.substr(0, 1));
    ASSERT_TRUE(t.wait_for("Score: 1"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    EXPECT_EQ(t.row(2).substr(0, 10), " >>>tester");
    EXPECT_EQ(t.row(2).substr(77, 2), ".1");
    EXPECT_NE(t.row(23).find("Wanna play again? (y/n)"), std::string::npos);
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/ropeheave_scores"), "tester : 1\n");

    t.keys({"s"});
    t.keys({"Up"});
    // Shrunk and grown again, the terminal shows the whole page with its question.
    shrink_and_grow(t, "Wanna play again? (y/n)");
    EXPECT_EQ(t.row(2).substr(0, 10), " >>>tester");
    EXPECT_EQ(t.row(2).substr(77, 2), ".1");
    t.resize(30, 90);
    ASSERT_TRUE(t.settle());
    EXPECT_TRUE(t.running()) << "ignored keys and a resize do not answer the question";
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.screen().find("Quit."), std::string::npos);
}

TEST(RopeheaveGame, BeatingTheRecordShowsTheTrophyPage) {
    terminal_run t(program_path("ropeheave"));
    std::ofstream(t.scores_dir() + "/ropeheave_scores") << "champ : 1\nother : 0\n";
    ASSERT_TRUE(t.wait_for("Type!"));
    t.type(queue_on_screen(t).substr(0, 1));
    ASSERT_TRUE(t.wait_for("Score: 1"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("CONGRATULATIONS!!"));
    ASSERT_TRUE(t.wait_answerable());
    EXPECT_EQ(t.row(12).substr(30), " |.' |    |          1");
    EXPECT_EQ(t.row(14).substr(30), "  ___|    |___  champ!");
    t.keys({"w"});
    ASSERT_TRUE(t.settle());
    EXPECT_EQ(t.screen().find("HIGH SCORES"), std::string::npos) << "'w' is ignored on the trophy page";
    EXPECT_NE(t.screen().find("CONGRATULATIONS!!"), std::string::npos);
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    EXPECT_EQ(t.row(2).substr(1, 9), ">>>tester");
    EXPECT_EQ(t.row(4).substr(1, 5), "champ");
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/ropeheave_scores"),
              "tester : 1\nchamp : 1\nother : 0\n");
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"y"});
    ASSERT_TRUE(t.wait_for("Score: 0"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"N"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(RopeheaveGame, PagesStayWholeAndInsideTheFrameThroughAResize) {
    terminal_run t(program_path("ropeheave"));
    const std::string holder(59, 'h');
    std::ofstream(t.scores_dir() + "/ropeheave_scores") << holder << " : 1\n";
    ASSERT_TRUE(t.wait_for("Type!"));
    t.keys({"F1"});
    ASSERT_TRUE(t.wait_for("GAME PLAY"));
    shrink_and_grow(t, "GAME PLAY", 10, 30);
    EXPECT_NE(t.row(3).find("Type those things and beat the other guy"), std::string::npos);
    t.keys({"z"});
    ASSERT_TRUE(t.wait_for("Type!"));
    t.type(queue_on_screen(t).substr(0, 1));
    ASSERT_TRUE(t.wait_for("Score: 1"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("CONGRATULATIONS!!"));
    // The holder's name stops inside the frame instead of running on into the next row.
    EXPECT_EQ(t.row(14).substr(30), "  ___|    |___" + holder.substr(0, 35));
    EXPECT_EQ(t.row(15), std::string(30, ' ') + " |            |");
    shrink_and_grow(t, "Press a key to continue");
    EXPECT_EQ(t.row(16).substr(30), " |____________|");
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(RopeheaveGame, AtFortyColumnsTheHelpPageIsCutLikeEveryOtherText) {
    terminal_run::options o;
    o.cols = 40;
    terminal_run t(program_path("ropeheave"), o);
    ASSERT_TRUE(t.wait_for("Type!"));
    t.keys({"F1"});
    ASSERT_TRUE(t.wait_for("Press h to use home-row mode.")) << t.screen();
    // The first line loses its last letter instead of carrying it over to the start of the second.
    EXPECT_EQ(t.row(3).rfind(" Type those things and beat the other gu", 0), 0u) << t.row(3);
    EXPECT_EQ(t.row(4).rfind(" Press h to use home-row mode.", 0), 0u) << t.row(4);
    t.keys({"z"});
    ASSERT_TRUE(t.wait_for("Type!"));
    t.keys({"C-c"});
    EXPECT_EQ(t.wait_exit(), 2);
}

TEST(RopeheaveGame, FromLevelFourTheFigureNoLongerCoversTheScore) {
    // One right character a tick, and the opponent pulls only every few ticks:
    // the player wins level after level, and by level 4 the score has five digits.
    terminal_run::options o;
    o.gated = true;
    terminal_run t(program_path("ropeheave"), o);
    ASSERT_TRUE(t.step_until("Type!", 5));
    std::string screen = t.frozen_screen();
    for (int level = 0, rounds = 0; level < 4; ++rounds) {
        ASSERT_LT(rounds, 30) << screen;
        int type_row = -1;
        for (int y = 0; y < 24 && type_row < 0; ++y)
            if (terminal_run::row_of(screen, y).find("Type!") != std::string::npos) type_row = y;
        ASSERT_GE(type_row, 0) << screen;
        level = type_row - 15;
        if (level >= 4) break;
        // The queue moves on by one with each character: eight of the nine shown are the next eight to type.
        const size_t col = terminal_run::row_of(screen, type_row).find("Type!");
        const std::string queue = terminal_run::row_of(screen, type_row + 1).substr(col, 9);
        for (char c : queue.substr(0, 8)) {
            t.type(std::string(1, c));
            // Past the tick's sleep, to the next read: the next character is a tick of its own.
            ASSERT_TRUE(t.step());
        }
        screen = t.frozen_screen();
    }
    // The game ended here records the score the screen shows.
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("HIGH SCORES"));
    const std::string table = terminal_run::read_file(t.scores_dir() + "/ropeheave_scores");
    ASSERT_EQ(table.rfind("tester : ", 0), 0u) << table;
    const long score = std::stol(table.substr(9));
    ASSERT_GE(score, 10000);
    EXPECT_NE(terminal_run::row_of(screen, 15).find("Score: " + std::to_string(score) + " "), std::string::npos)
        << screen;
    EXPECT_NE(terminal_run::row_of(screen, 16).find("Level: 4"), std::string::npos) << screen;
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
}

// A player still typing when the opponent wins: the keys typed up to the loss
// and just after it must leave the table and the question on the screen.
TEST(RopeheaveGame, TypingThroughTheLossLeavesTheTableUp) {
    terminal_run::options o;
    o.gated = true;
    o.seed = 1;
    terminal_run t(program_path("ropeheave"), o);
    ASSERT_TRUE(t.step_until("Type!", 5));
    // '1' is never in the queue, so it pulls nothing: the opponent wins.
    bool lost = false;
    for (int i = 0; i < 3000 && !lost; ++i) {
        t.type("1");
        if (!t.step()) break;
        lost = t.screen().find("Wanna play again? (y/n)") != std::string::npos;
    }
    ASSERT_TRUE(lost) << t.screen();
    // One more key, at the pause that holds the program in the deaf time: with
    // the clock held, later keys would come after that time on the program's clock.
    t.type("x");
    ASSERT_TRUE(t.settle());
    EXPECT_NE(t.screen().find("HIGH SCORES"), std::string::npos) << t.screen();
    EXPECT_NE(t.screen().find("Wanna play again? (y/n)"), std::string::npos);
    EXPECT_TRUE(t.running());
    ASSERT_TRUE(t.wait_answerable());
    t.keys({"n"});
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/ropeheave_scores"), "tester : 0\n") << "one game only";
}

TEST(RopeheaveGame, InterruptPrintsQuitExitsWithTwoAndRecordsNothing) {
    terminal_run::options o;
    o.args = {"extra"};
    terminal_run t(program_path("ropeheave"), o);
    ASSERT_TRUE(t.wait_for("Type!"));
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("GAME PLAY"));
    t.keys({"z"});
    ASSERT_TRUE(t.wait_for("Type!"));
    t.keys({"C-c"});
    EXPECT_EQ(t.wait_exit(), 2);
    std::string screen = t.screen();
    EXPECT_NE(screen.find("game doesn't take arguments"), std::string::npos);
    EXPECT_NE(screen.find("Quit."), std::string::npos);
    EXPECT_EQ(terminal_run::read_file(t.scores_dir() + "/ropeheave_scores"), "");
}

}  // namespace
