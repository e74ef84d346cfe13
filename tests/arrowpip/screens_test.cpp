// The letter target's screens on a virtual screen: play screen, final board, help, end of a game.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "rules.h"
#include "score_store.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace arrowpip;

namespace {

std::string trimmed(std::string s) { return s.erase(s.find_last_not_of(' ') + 1); }

// A coloured virtual screen with the target built, and a game whose letters sit where a test puts them.
struct ArrowpipScreen : ::testing::Test {
    virtual_screen vs;
    game g;

    void SetUp() override {
        init_palette();
        build_target();
        srandom(5);
        start_game(g);
        // Every letter parked in a row of its own below the box, so none hides another.
        for (int i = 0; i < letter_count; ++i) {
            g.letters[i].row = 8.5f + static_cast<float>(i % 15);
            g.letters[i].col = 20.7f + static_cast<float>(i / 15) * 30;
        }
    }

    void stop(int index, float row, float col) {
        letter_record& L = g.letters[index];
        L.row = row;
        L.col = col;
        L.countdown = 1;
        g.stopped[stopped_size - g.slots_left] = L;
        g.slots_left -= 1;
        L.visible = false;
    }
};

TEST_F(ArrowpipScreen, PlayScreenShowsTargetCountersAndLetters) {
    g.score = -2044;
    g.shots = 7;
    take_key(g, 'b');  // B shot: bold
    stop(2, 12.9f, 40.6f);  // C stopped on the centre cell
    draw_play_screen(g);

    EXPECT_EQ(trimmed(vs.text(5, 0, 14)), "Score: -2044");
    EXPECT_EQ(trimmed(vs.text(6, 0, 14)), "Shots: 6");
    EXPECT_EQ(vs.text(0, 0, 10).size(), 10u);
    EXPECT_NE(trimmed(vs.text(0, 0, 10)), "") << "the banner";

    // The target: '$' in the ring colour, '#' plain, blanks outside.
    EXPECT_EQ(vs.ch(16, 40), '#');
    EXPECT_EQ(vs.pair(16, 40), 0);
    EXPECT_EQ(vs.ch(18, 40), '$');
    EXPECT_EQ(vs.pair(18, 40), 1);
    EXPECT_EQ(vs.ch(12, 70), ' ');

    // Letters at their truncated cells, in the letter colour; bold once shot or stopped.
    EXPECT_EQ(vs.ch(8, 20), 'A');
    EXPECT_EQ(vs.pair(8, 20), 3);
    EXPECT_EQ(vs.attr(8, 20) & A_BOLD, 0u);
    EXPECT_EQ(vs.ch(9, 20), 'B');
    EXPECT_NE(vs.attr(9, 20) & A_BOLD, 0u);
    EXPECT_EQ(vs.ch(12, 40), 'C');
    EXPECT_NE(vs.attr(12, 40) & A_BOLD, 0u);
    EXPECT_EQ(vs.ch(10, 20), '#') << "C's own record is no longer drawn";
    EXPECT_EQ(vs.ch(8, 50), 'P');

    EXPECT_EQ(trimmed(vs.text(23, 0, 30)).find("ESC"), std::string::npos) << "no message yet";
}

TEST_F(ArrowpipScreen, MessageShowsOnTheBottomLineWhileItsTicksLast) {
    take_key(g, 'q');
    draw_play_screen(g);
    EXPECT_EQ(vs.text(23, 0, 22), "ESC or Ctrl-C to quit.");
    g.message_ticks = 0;
    draw_play_screen(g);
    EXPECT_NE(vs.text(23, 0, 22), "ESC or Ctrl-C to quit.");
}

TEST_F(ArrowpipScreen, LettersJustPastTheTopOrLeftEdgeShowInRowOrColumnZero) {
    g.letters[0].row = -0.4f;
    g.letters[0].col = 30.5f;
    g.letters[1].row = 15.2f;
    g.letters[1].col = -0.7f;
    draw_play_screen(g);
    EXPECT_EQ(vs.ch(0, 30), 'A');
    EXPECT_EQ(vs.ch(15, 0), 'B');
}

TEST_F(ArrowpipScreen, FinalScreenShowsTheStoppedLettersAndWaitsForAKey) {
    g.score = 1004096;
    stop(0, 12.2f, 40.1f);
    stop(25, 12.3f, 39.9f);
    vs.type_when_waiting({' ', 'x'});
    draw_final_screen(g);
    EXPECT_EQ(getch(), 'x') << "exactly one key taken";

    EXPECT_EQ(trimmed(vs.text(5, 0, 16)), "Score: 1004096");
    EXPECT_EQ(vs.text(23, 0, 26), "Press any key to continue:");
    EXPECT_EQ(vs.ch(12, 40), 'A');
    EXPECT_EQ(vs.ch(12, 39), 'Z');
    std::string all = vs.dump();
    EXPECT_EQ(all.find("Shots:"), std::string::npos);
    EXPECT_EQ(all.find('B'), std::string::npos) << "no flying letters";
}

TEST_F(ArrowpipScreen, HelpPageIsFramedAndWaitsForAKey) {
    vs.keys({'k'});
    show_gameplay_help();
    EXPECT_EQ(vs.text(1, 36, 9), "GAME PLAY");
    EXPECT_EQ(trimmed(vs.text(3, 1, 78)), "If you hit a letter on keyboard, the letter on the");
    EXPECT_EQ(trimmed(vs.text(4, 1, 78)), "screen will soon stop. You have to aim for the");
    EXPECT_EQ(trimmed(vs.text(5, 1, 78)), "center of the target using the moving letters.");
    EXPECT_NE(vs.attr(0, 0) & A_STANDOUT, 0u);
    EXPECT_EQ(vs.pair(23, 50), 3);
}

TEST(ArrowpipKeys, TheHelpKeysOpenTheHelpAndEveryOtherKeyGoesToTheRules) {
    struct key_case {
        int key;
        key_action action;
    };
    const key_case cases[] = {
        {ERR, key_action::none},     {'?', key_action::help},  {KEY_F(1), key_action::help},
        {'a', key_action::play},     {'Z', key_action::play},  {'q', key_action::play},
        {27, key_action::play},      {'!', key_action::play},  {KEY_F(2), key_action::play},
        {KEY_LEFT, key_action::play},
    };
    for (const auto& [key, action] : cases) EXPECT_EQ(meaning_of(key), action) << key;
}

TEST(ArrowpipSmallTerminal, PlayScreenIsClippedNotBroken) {
    virtual_screen vs(16, 50);
    init_palette();
    build_target();
    game g;
    srandom(8);
    start_game(g);
    for (letter_record& L : g.letters) L.row = 20.5f;  // below the last row
    g.letters[0].row = 14.5f;
    g.letters[0].col = 45.5f;   // on screen
    g.letters[2].row = 9.5f;
    g.letters[2].col = 70.5f;   // right of the last column
    g.message_ticks = 5;        // the message row is off screen too
    draw_play_screen(g);
    EXPECT_EQ(vs.ch(12, 40), '$');
    EXPECT_EQ(vs.ch(12, 49), '#') << "the target reaches the right edge";
    EXPECT_EQ(vs.ch(14, 45), 'A');
    EXPECT_EQ(trimmed(vs.text(6, 0, 10)), "Shots: 10");
}

// The end of a game against a private score directory.
struct ArrowpipEnd : ArrowpipScreen {
    std::string dir;

    void SetUp() override {
        ArrowpipScreen::SetUp();
        char tmpl[] = "/tmp/arrowpip-scores-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        setenv("KM_SCORES_DIR", dir.c_str(), 1);
        setenv("KM_PLAYER", "tester", 1);
    }
    void TearDown() override {
        unsetenv("KM_SCORES_DIR");
        unsetenv("KM_PLAYER");
        std::filesystem::remove_all(dir);
    }
    std::string table() { return file_text(dir + "/arrowpip_scores"); }
    static std::string file_text(const std::string& path) {
        FILE* f = fopen(path.c_str(), "r");
        if (!f) return "";
        std::string s;
        for (int c; (c = fgetc(f)) != EOF;) s += static_cast<char>(c);
        fclose(f);
        return s;
    }
};

TEST_F(ArrowpipEnd, ANegativeScoreIsRecordedAndShownFlushRight) {
    g.score = -2048;
    // Final board, then the question: 's' and the arrows are passed over, 'n' declines.
    vs.type_when_waiting({' ', 's', KEY_UP, 'n'});
    EXPECT_FALSE(show_game_end(g));
    EXPECT_EQ(table(), "tester : -2048\n");
    EXPECT_EQ(vs.text(1, 36, 11), "HIGH SCORES");
    EXPECT_EQ(trimmed(vs.text(2, 1)), ">>>tester" + std::string(65, '.') + "-2048");
    EXPECT_EQ(vs.text(2, 75, 5), "-2048") << "a minus sign reaches column 79";
    EXPECT_EQ(vs.text(23, 29, 23), "Wanna play again? (y/n)");
    EXPECT_NE(vs.attr(23, 29) & A_STANDOUT, 0u);
    EXPECT_EQ(vs.pair(23, 29), 1);
}

TEST_F(ArrowpipEnd, AnyOtherKeyPlaysAgainAndTheNextScoreJoinsTheTable) {
    g.score = 96;
    vs.type_when_waiting({' ', 'y'});
    EXPECT_TRUE(show_game_end(g));
    g.score = 4100;
    // A new best over a positive record: the trophy page waits for its own key.
    vs.type_when_waiting({' ', ' ', 'N'});
    EXPECT_FALSE(show_game_end(g));
    EXPECT_EQ(table(), "tester : 4100\ntester : 96\n");
    EXPECT_EQ(trimmed(vs.text(2, 1)), ">>>tester" + std::string(65, '.') + "4100");
    EXPECT_EQ(trimmed(vs.text(4, 1)), "tester" + std::string(70, '.') + "96");
}

}  // namespace
