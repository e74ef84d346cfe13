// The end of a game shared by the games with a score table: where the question goes, and its answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game_end.h"
#include "virtual_screen.h"

namespace {

game_end framed_end() {
    game_end e;
    e.question_row = 23;
    e.question_col = 29;
    return e;
}

game_end printed_end(int rows_below) {
    game_end e;
    e.rows_below_table = rows_below;
    return e;
}

TEST(GameEnd, TheQuestionGoesOnTheLastRowWhenItsOwnIsOffTheScreen) {
    struct row {
        const char* what;
        game_end end;
        page_end table;
        int lines;
        page_end at;
        bool moved;
    } cases[] = {
        {"framed, 24 rows", framed_end(), {0, 0}, 24, {23, 29}, false},
        {"framed, 20 rows", framed_end(), {0, 0}, 20, {19, 29}, true},
        {"at the table's end", printed_end(0), {15, 0}, 24, {15, 0}, false},
        {"at the table's end, 12 rows", printed_end(0), {15, 0}, 12, {11, 0}, true},
        {"after a failure's text", printed_end(0), {4, 27}, 24, {4, 27}, false},
        {"two rows below", printed_end(2), {16, 0}, 24, {18, 0}, false},
        {"two rows below, 19 rows", printed_end(2), {16, 0}, 19, {18, 0}, false},
        {"two rows below, 18 rows", printed_end(2), {16, 0}, 18, {17, 0}, true},
    };
    for (const row& c : cases) {
        const question_spot spot = question_place(c.end, c.table, c.lines);
        EXPECT_EQ(spot.at.row, c.at.row) << c.what;
        EXPECT_EQ(spot.at.col, c.at.col) << c.what;
        EXPECT_EQ(spot.moved, c.moved) << c.what;
    }
}

struct GameEndRun : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/game-end-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        setenv("KM_SCORES_DIR", dir.c_str(), 1);
        setenv("KM_PLAYER", "tester", 1);
        std::ofstream table(dir + "/printed_scores");
        for (int i = 1; i <= 10; ++i) table << "p" << i << " : " << 100 - i << "\n";
    }
    void TearDown() override {
        unsetenv("KM_SCORES_DIR");
        unsetenv("KM_PLAYER");
        std::filesystem::remove_all(dir);
    }
};

TEST_F(GameEndRun, OnAShortTerminalTheQuestionTakesTheLastRowAloneAndIsAnswered) {
    struct row {
        int key;
        bool again;
    } cases[] = {{'n', false}, {'q', false}, {'y', true}, {' ', true}};
    for (const row& c : cases) {
        virtual_screen vs(12, 60);
        game_end e = printed_end(2);
        e.file_name = "printed_scores";
        e.table_size = 10;
        e.screen.kind = score_screen::printed;
        e.screen.shown = 10;
        e.screen.origin_row = 4;
        e.question = "Wanna play again? (y/n)";
        // Moves are passed over.
        vs.type_when_waiting({'s', KEY_UP, c.key});
        EXPECT_EQ(end_game(e), c.again) << c.key;
        EXPECT_EQ(vs.text(10), "6) p6 : 94" + std::string(50, ' '));
        EXPECT_EQ(vs.text(11), "Wanna play again? (y/n)" + std::string(37, ' ')) << "the entry under it is gone";
    }
}

TEST_F(GameEndRun, AQuestionThatPassesOverNothingTakesAMoveKeyForAnAnswer) {
    virtual_screen vs(24, 80);
    game_end e = printed_end(2);
    e.file_name = "printed_scores";
    e.table_size = 10;
    e.screen.kind = score_screen::printed;
    e.screen.shown = 10;
    e.question = "Game over! Wanna play again?(y/n)";
    e.passed_over = nullptr;
    vs.type_when_waiting({KEY_UP, 'n'});
    EXPECT_TRUE(end_game(e)) << "Up deals again before the 'n' is read";
}

}  // namespace
