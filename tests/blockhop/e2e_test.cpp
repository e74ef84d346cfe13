// blockhop in a real terminal: quitting a game, the score table, the question, help and interrupts.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "terminal_run.h"

namespace {

std::string blockhop() { return program_path("blockhop"); }

// The character in a screen column of a captured row (line-drawing characters take several bytes).
std::string cell(const std::string& line, int col) {
    int x = 0;
    for (size_t i = 0; i < line.size();) {
        size_t len = 1;
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c >= 0xf0) len = 4;
        else if (c >= 0xe0) len = 3;
        else if (c >= 0xc0) len = 2;
        if (x == col) return line.substr(i, len);
        i += len;
        ++x;
    }
    return " ";
}

const char* const prompt = "Press a key to see the high scores:";

// At the game-over prompt: a shrink and a grow back draw the screen as it was, prompt and all.
void expect_resizes_redraw_the_prompts_screen(terminal_run& run) {
    const std::string shown = run.screen();
    run.resize(20, 70);
    // The prompt on the last row of the smaller terminal: the scene has been drawn anew.
    ASSERT_TRUE(run.wait_until([](const std::string& s) { return terminal_run::row_of(s, 19).rfind(prompt, 0) == 0; }))
        << run.screen();
    run.resize(24, 80);
    EXPECT_TRUE(run.wait_until([&](const std::string& s) { return s == shown; })) << "before:\n"
                                                                                << shown << "after:\n"
                                                                                << run.screen();
}

}  // namespace

TEST(BlockhopEndToEnd, QuitRecordsTheScoreAndOnlyTheAnswerEndsTheProgram) {
    terminal_run run(blockhop());
    ASSERT_TRUE(run.wait_for("Score: 0"));
    EXPECT_NE(run.screen().find("Combo: 1"), std::string::npos);
    run.keys({"q"});
    // No row 24 on this terminal: the prompt takes the last row instead.
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    EXPECT_EQ(run.row(23).rfind("Press a key to see the high scores:", 0), 0u);
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    const std::string table = run.screen();
    EXPECT_NE(table.find(">*>*>Top 10<*<*<"), std::string::npos) << table;
    EXPECT_NE(table.find(">>>1) tester : 0"), std::string::npos) << table;
    EXPECT_NE(table.find("Score: 0"), std::string::npos) << table;
    EXPECT_EQ(run.read_file(run.scores_dir() + "/blockhop_scores"), "tester : 0\n");
    ASSERT_TRUE(run.wait_answerable());

    run.keys({"s", "w", "Up", "Down"});
    ASSERT_TRUE(run.settle());
    EXPECT_TRUE(run.running());
    EXPECT_EQ(run.screen(), table);
    run.keys({"n"});
    EXPECT_EQ(run.wait_exit(), 0);
    EXPECT_EQ(run.screen().find("Quit."), std::string::npos);
}

TEST(BlockhopEndToEnd, PromptStandsBelowThePlayAreaWhenThereIsARow24) {
    terminal_run::options opts;
    opts.rows = 25;
    terminal_run run(blockhop(), opts);
    ASSERT_TRUE(run.wait_for("Score: 0"));
    run.keys({"q"});
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    EXPECT_EQ(run.row(24).rfind("Press a key to see the high scores:", 0), 0u);
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
}

TEST(BlockhopEndToEnd, AnotherGameMatchingTheBestShowsTheTrophyThenBothEntries) {
    terminal_run run(blockhop());
    ASSERT_TRUE(run.wait_for("Score: 0"));
    run.keys({"q"});
    ASSERT_TRUE(run.wait_for("Press a key"));
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"y"});
    // The play screen has no table; the table's page shows a score and a combo too.
    ASSERT_TRUE(run.wait_gone(">*>*>Top 10<*<*<"));
    ASSERT_TRUE(run.wait_for("Combo: 1"));
    run.keys({"q"});
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"x"});
    // A new entry at the top over an older one: the trophy page comes first, under the banner.
    ASSERT_TRUE(run.wait_for("Press a key to proceed:"));
    const std::string trophy = run.screen();
    EXPECT_EQ(run.row(4), "*****CONGRATULATIONS!****");
    EXPECT_NE(trophy.find("Score: 0"), std::string::npos) << trophy;
    EXPECT_NE(trophy.find("held by"), std::string::npos) << trophy;
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"Enter"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    EXPECT_EQ(run.row(4), ">*>*>Top 10<*<*<");
    EXPECT_EQ(run.row(5), ">>>1) tester : 0");
    EXPECT_EQ(run.row(6), "2) tester : 0");
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"N"});
    EXPECT_EQ(run.wait_exit(), 0);
}

TEST(BlockhopEndToEnd, InterruptQuitsWithStatus2AndRecordsNothing) {
    terminal_run run(blockhop());
    ASSERT_TRUE(run.wait_for("Score: 0"));
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
    EXPECT_NE(run.screen().find("Quit."), std::string::npos);
    EXPECT_EQ(run.read_file(run.scores_dir() + "/blockhop_scores"), "");
}

TEST(BlockhopEndToEnd, HelpStaysUpFiveSecondsThenPlayGoesOn) {
    terminal_run::options opts;
    opts.gated = true;
    terminal_run run(blockhop(), opts);
    ASSERT_TRUE(run.step_until("Score: 0", 5));
    run.keys({"?"});
    ASSERT_TRUE(run.step_until("GAME PLAY", 5));
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_NE(run.frozen_screen().find("Jump from square to square using enter key."), std::string::npos);
    // The frame is drawn in the player's red.
    EXPECT_NE(run.frozen_screen_with_attrs().find("\x1b[31m"), std::string::npos);
    // A key pressed meanwhile neither shortens the page nor quits the game
    // afterwards, and a resize neither: the page is drawn again for the new size.
    run.keys({"q"});
    run.resize(20, 70);
    // Shrinking drops the top rows: the title back in row 1 is the page drawn anew.
    ASSERT_TRUE(run.step_until([](const std::string& s) { return terminal_run::row_of(s, 1).find("GAME PLAY") != std::string::npos; }, 5));
    EXPECT_NE(run.frozen_screen().find("Jump from square to square"), std::string::npos);
    // The page's five seconds run on the clock, whatever the steps: play comes back no sooner.
    ASSERT_TRUE(run.step_until("Score: 0", 100000));
    EXPECT_GE(std::chrono::steady_clock::now() - shown, std::chrono::milliseconds(4900));
    ASSERT_TRUE(run.step(5));
    EXPECT_EQ(run.frozen_screen().find("Press a key"), std::string::npos) << "the 'q' typed during the help";
    EXPECT_TRUE(run.running());
    run.keys({"q"});
    ASSERT_TRUE(run.settle());
    EXPECT_TRUE(run.wait_for("Press a key to see the high scores:"));
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
}

TEST(BlockhopEndToEnd, EnterAtTheMiddleOfTheRightSideLandsAndScores) {
    terminal_run::options opts;
    opts.gated = true;
    terminal_run run(blockhop(), opts);
    // The first squares share their top row 5; a hop from row offsets 5 to 7 of
    // the right side lands. Between two frames the marker has already walked one
    // step past the place shown, and the frame that reads Enter walks once more:
    // Enter while offset 3 shows hops from offset 5.
    ASSERT_TRUE(run.step_until([](const std::string& s) { return cell(terminal_run::row_of(s, 8), 24) == "O"; }, 400))
        << "the marker never reached the right side";
    run.keys({"Enter"});
    ASSERT_TRUE(run.step_until("Score: 1", 400)) << run.screen();
    EXPECT_NE(run.frozen_screen().find("Combo: 2"), std::string::npos) << run.screen();
    run.keys({"q"});
    ASSERT_TRUE(run.settle());
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    EXPECT_NE(run.read_file(run.scores_dir() + "/blockhop_scores").find("tester : 1\n"), std::string::npos);
    ASSERT_TRUE(run.wait_answerable());
    run.keys({"q"});
    EXPECT_EQ(run.wait_exit(), 0);
}

TEST(BlockhopEndToEnd, AResizeAtThePromptAfterAMissRedrawsTheHopsLastFrame) {
    terminal_run::options opts;
    opts.gated = true;
    terminal_run run(blockhop(), opts);
    // A landing first, so the miss drops a combo of 2 that its last frame still shows.
    ASSERT_TRUE(run.step_until([](const std::string& s) { return cell(terminal_run::row_of(s, 8), 24) == "O"; }, 400))
        << "the marker never reached the right side";
    run.keys({"Enter"});
    ASSERT_TRUE(run.step_until("Score: 1", 400)) << run.screen();
    // From the left side of a square every hop misses.
    run.keys({"Enter"});
    ASSERT_TRUE(run.settle());
    ASSERT_TRUE(run.wait_for(prompt));
    const std::string missed = run.screen();
    // The view followed the marker leftwards to the miss: the square it left from starts well
    // right of the screen's edge, where it stood before the hop.
    EXPECT_EQ(cell(terminal_run::row_of(missed, 6), 0), " ") << missed;
    EXPECT_NE(missed.find("Combo: 2"), std::string::npos) << missed;
    expect_resizes_redraw_the_prompts_screen(run);
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
}

TEST(BlockhopEndToEnd, AResizeAtThePromptAfterQuittingRedrawsTheMarkerWhereItWasShown) {
    terminal_run::options opts;
    opts.gated = true;
    terminal_run run(blockhop(), opts);
    // Along the top edge of the first square. The next frame, a step on, reads the 'q', and
    // steps once more before the game ends: that step is never shown.
    ASSERT_TRUE(run.step_until([](const std::string& s) { return cell(terminal_run::row_of(s, 5), 10) == "O"; }, 100));
    run.keys({"q"});
    ASSERT_TRUE(run.settle());
    ASSERT_TRUE(run.wait_for(prompt));
    ASSERT_EQ(cell(run.row(5), 11), "O") << run.screen();
    expect_resizes_redraw_the_prompts_screen(run);
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
}

// On a short terminal the table keeps one entry a row and drops those that do
// not fit; the question takes the last row.
TEST(BlockhopEndToEnd, TheTableOnAShortTerminalDropsRowsAndKeepsTheQuestion) {
    for (int rows : {12, 14}) {
        SCOPED_TRACE(rows);
        terminal_run::options opts;
        opts.rows = rows;
        terminal_run run(blockhop(), opts);
        {
            std::ofstream table(run.scores_dir() + "/blockhop_scores");
            for (int i = 1; i <= 10; ++i) table << "p" << i << " : " << 100 - i << "\n";
        }
        ASSERT_TRUE(run.wait_for("Score: 0"));
        run.keys({"q"});
        ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
        ASSERT_TRUE(run.wait_answerable());
        run.keys({"x"});
        ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
        EXPECT_EQ(run.row(4), ">*>*>Top 10<*<*<");
        for (int row = 5; row < rows - 1; ++row)
            EXPECT_EQ(run.row(row), std::to_string(row - 4) + ") p" + std::to_string(row - 4) + " : " + std::to_string(104 - row));
        EXPECT_EQ(run.row(rows - 1), "Wanna play again? (y/n)");
        ASSERT_TRUE(run.wait_answerable());
        run.keys({"n"});
        EXPECT_EQ(run.wait_exit(), 0);
    }
}
