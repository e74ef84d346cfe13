// blockhop in a real terminal: quitting a game, the score table, the question, help and interrupts.
#include <gtest/gtest.h>

#include <chrono>
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

std::string row_of(const std::string& screen, int y) {
    size_t at = 0;
    for (int i = 0; i < y; ++i) {
        at = screen.find('\n', at);
        if (at == std::string::npos) return "";
        ++at;
    }
    return screen.substr(at, screen.find('\n', at) - at);
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TEST(BlockhopEndToEnd, QuitRecordsTheScoreAndOnlyTheAnswerEndsTheProgram) {
    terminal_run run(blockhop());
    ASSERT_TRUE(run.wait_for("Score: 0"));
    EXPECT_NE(run.screen().find("Combo: 1"), std::string::npos);
    run.keys({"q"});
    // No row 24 on this terminal: the prompt takes the last row instead.
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    EXPECT_EQ(run.row(23).rfind("Press a key to see the high scores:", 0), 0u);
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    const std::string table = run.screen();
    EXPECT_NE(table.find(">*>*>Top 10<*<*<"), std::string::npos) << table;
    EXPECT_NE(table.find(">>>1) tester : 0"), std::string::npos) << table;
    EXPECT_NE(table.find("Score: 0"), std::string::npos) << table;
    EXPECT_EQ(run.read_file(run.scores_dir() + "/blockhop_scores"), "tester : 0\n");

    run.keys({"s", "w", "Up", "Down"});
    pause_ms(300);
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
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    run.keys({"y"});
    ASSERT_TRUE(run.wait_for("Combo:"));
    ASSERT_FALSE(run.wait_for("Wanna play again?", 0.3));
    run.keys({"q"});
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    run.keys({"x"});
    // A new entry at the top over an older one: the trophy page comes first, under the banner.
    ASSERT_TRUE(run.wait_for("Press a key to proceed:"));
    const std::string trophy = run.screen();
    EXPECT_EQ(run.row(4), "*****CONGRATULATIONS!****");
    EXPECT_NE(trophy.find("Score: 0"), std::string::npos) << trophy;
    EXPECT_NE(trophy.find("held by"), std::string::npos) << trophy;
    run.keys({"Enter"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    EXPECT_EQ(run.row(4), ">*>*>Top 10<*<*<");
    EXPECT_EQ(run.row(5), ">>>1) tester : 0");
    EXPECT_EQ(run.row(6), "2) tester : 0");
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
    terminal_run run(blockhop());
    ASSERT_TRUE(run.wait_for("Score: 0"));
    run.keys({"?"});
    ASSERT_TRUE(run.wait_for("GAME PLAY"));
    EXPECT_NE(run.screen().find("Jump from square to square using enter key."), std::string::npos);
    // The frame is drawn in the player's red.
    EXPECT_NE(run.screen_with_attrs().find("\x1b[31m"), std::string::npos);
    // A key pressed meanwhile neither shortens the page nor quits the game afterwards,
    // and a resize neither: the page is drawn again for the new size.
    run.keys({"q"});
    pause_ms(300);
    run.resize(20, 70);
    pause_ms(2700);
    EXPECT_NE(run.screen().find("GAME PLAY"), std::string::npos);
    EXPECT_NE(run.screen().find("Jump from square to square"), std::string::npos);
    ASSERT_TRUE(run.wait_for("Score: 0", 5));
    EXPECT_FALSE(run.wait_for("Press a key", 1));
    EXPECT_TRUE(run.running());
    run.keys({"q"});
    EXPECT_TRUE(run.wait_for("Press a key to see the high scores:"));
    run.keys({"C-c"});
    EXPECT_EQ(run.wait_exit(), 2);
}

TEST(BlockhopEndToEnd, EnterAtTheMiddleOfTheRightSideLandsAndScores) {
    terminal_run run(blockhop());
    // The first squares share their top row 5; a hop from row offsets 5 to 7 of
    // the right side lands. Enter goes when the marker shows at offset 3 (or 4,
    // if the capture missed 3): the frame that reads it walks one step more,
    // so it may take up to three (or two) frames to arrive.
    bool landed = false;
    for (int attempt = 0; attempt < 5 && !landed; ++attempt) {
        ASSERT_TRUE(run.wait_for("Score: 0"));
        bool sent = false;
        for (int poll = 0; poll < 400 && !sent; ++poll) {
            const std::string screen = run.screen();
            if (cell(row_of(screen, 8), 24) == "O" || cell(row_of(screen, 9), 24) == "O") {
                run.keys({"Enter"});
                sent = true;
            }
        }
        ASSERT_TRUE(sent) << "the marker never passed the right side";
        landed = run.wait_for("Score: 1", 4);
        if (!landed) {
            ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
            run.keys({"x"});
            ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
            run.keys({"y"});
        }
    }
    ASSERT_TRUE(landed);
    EXPECT_TRUE(run.wait_for("Combo: 2"));
    run.keys({"q"});
    ASSERT_TRUE(run.wait_for("Press a key to see the high scores:"));
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("Wanna play again? (y/n)"));
    EXPECT_NE(run.read_file(run.scores_dir() + "/blockhop_scores").find("tester : 1\n"), std::string::npos);
    run.keys({"q"});
    EXPECT_EQ(run.wait_exit(), 0);
}
