// The menu's screens drawn on a virtual terminal: lists, border, backdrop, name entry, score tables.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "input.h"
#include "screens.h"
#include "virtual_screen.h"

using namespace kelmora;

namespace {

void no_colours() {
    attr_t plain[4] = {A_NORMAL, A_STANDOUT, A_NORMAL, A_NORMAL};
    for (int i = 0; i < 4; ++i) palette[i] = plain[i];
}

TEST(KeyMeanings, EachScreenTakesItsKeysFromOneTable) {
    struct {
        int key;
        list_move list;
        name_edit name;
    } cases[] = {
        {KEY_UP, list_move::up, name_edit::none},
        {'w', list_move::up, name_edit::type},
        {KEY_DOWN, list_move::down, name_edit::none},
        {'s', list_move::down, name_edit::type},
        {'\n', list_move::choose, name_edit::take},
        {KEY_ENTER, list_move::none, name_edit::none},
        {'\r', list_move::none, name_edit::none},
        {'q', list_move::leave, name_edit::type},
        {27, list_move::leave, name_edit::none},
        {8, list_move::none, name_edit::erase},
        {KEY_BACKSPACE, list_move::none, name_edit::erase},
        {127, list_move::none, name_edit::erase},
        {'a', list_move::none, name_edit::type},
        {'z', list_move::none, name_edit::type},
        {'0', list_move::none, name_edit::type},
        {'9', list_move::none, name_edit::type},
        {'Q', list_move::none, name_edit::none},
        {' ', list_move::none, name_edit::none},
        {'-', list_move::none, name_edit::none},
        {KEY_LEFT, list_move::none, name_edit::none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list_key(c.key), c.list) << c.key;
        EXPECT_EQ(name_key(c.key), c.name) << c.key;
    }
}

// The list widget keeps what it drew last when the keys run out.
class MainMenu : public ::testing::Test {
protected:
    void SetUp() override { no_colours(); }
    void TearDown() override { no_colours(); }
};

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Text of an item row, without the border cells.
std::string item_on(const virtual_screen& s, int row) { return trimmed(s.text(row, 1, COLS - 2)); }

TEST_F(MainMenu, On24LinesItShows21ItemsAndScrollsByOneFromItem20To21) {
    virtual_screen s(24, 80);
    for (int i = 0; i < 20; ++i) s.keys({KEY_DOWN});
    EXPECT_EQ(list_menu(menu_items, "Main Menu"), -1);
    EXPECT_EQ(trimmed(s.text(1, 1, 78)), std::string(34, ' ') + "Main Menu");
    EXPECT_EQ(item_on(s, 2), "See High Scores");
    EXPECT_EQ(item_on(s, 22), "chestdig");  // item 20, the last row of the view
    EXPECT_EQ(s.attr(22, 1) & A_STANDOUT, A_STANDOUT);

    for (int i = 0; i < 21; ++i) s.keys({KEY_DOWN});
    list_menu(menu_items, "Main Menu");
    EXPECT_EQ(item_on(s, 2), "See help pages");
    EXPECT_EQ(item_on(s, 22), "grudgerun");
    EXPECT_EQ(s.attr(22, 1) & A_STANDOUT, A_STANDOUT);
    EXPECT_EQ(s.attr(21, 1) & A_STANDOUT, 0u);

    // On to the last item, and one Down more: it stays selected.
    for (int i = 0; i < 24; ++i) s.keys({KEY_DOWN});
    list_menu(menu_items, "Main Menu");
    EXPECT_EQ(item_on(s, 2), "lurecast");
    EXPECT_EQ(item_on(s, 22), "scarletcell");
    EXPECT_EQ(s.attr(22, 1) & A_STANDOUT, A_STANDOUT);
}

TEST_F(MainMenu, On26LinesEveryItemShowsAndNothingScrolls) {
    virtual_screen s(26, 80);
    for (int i = 0; i < 30; ++i) s.keys({'s'});
    list_menu(menu_items, "Main Menu");
    EXPECT_EQ(item_on(s, 2), "See High Scores");
    EXPECT_EQ(item_on(s, 24), "scarletcell");
    EXPECT_EQ(s.attr(24, 1) & A_STANDOUT, A_STANDOUT);
}

TEST_F(MainMenu, EnterReturnsTheIndexOfTheHighlightedItemAndQOrEscLeave) {
    virtual_screen s(24, 80);
    s.keys({KEY_DOWN, 's', 's', KEY_UP, 'w', 's', '\n'});
    EXPECT_EQ(list_menu(menu_items, "Main Menu"), 2);
    s.keys({KEY_UP, '\n'});
    EXPECT_EQ(list_menu(menu_items, "Main Menu"), 0);  // every call starts at the top
    // Only newline chooses; other keys redraw and wait on.
    s.keys({'s', KEY_ENTER, '\r', 'x', 'q'});
    EXPECT_EQ(list_menu(menu_items, "Main Menu"), -1);
    EXPECT_EQ(s.attr(3, 1) & A_STANDOUT, A_STANDOUT);
    s.keys({27});
    EXPECT_EQ(list_menu(menu_help_text, "How to read help pages"), -1);
    EXPECT_EQ(item_on(s, 3), "or '!' to see the Controls and Gameplay");
    EXPECT_EQ(item_on(s, 7), "this way: hopboard -h");
}

TEST_F(MainMenu, TheSelectedItemTakesTheColourOfItsRow) {
    virtual_screen s(24, 80);
    init_palette();
    for (int down = 0; down < 6; ++down) {
        for (int i = 0; i < down; ++i) s.keys({KEY_DOWN});
        list_menu(menu_items, "Main Menu");
        int row = 2 + down;
        EXPECT_EQ(s.pair(row, 1), row % 4 + 1) << row;
        EXPECT_EQ(s.attr(row, 1) & A_STANDOUT, A_STANDOUT);
        EXPECT_EQ(s.pair(row + 1, 1), 0) << row;
        EXPECT_EQ(s.attr(row + 1, 1) & A_STANDOUT, 0u);
    }
    EXPECT_EQ(s.pair(1, 35), 2);  // the title
}

TEST_F(MainMenu, ATitleWiderThanTheScreenIsNotDrawn) {
    virtual_screen s(24, 10);
    list_menu(menu_items, "A title far too wide");
    EXPECT_EQ(trimmed(s.text(1, 1, 8)), "");
    EXPECT_EQ(s.text(2, 1, 8), "See High");  // items are clipped, never wrapped
    EXPECT_EQ(s.text(3, 1, 8), "See help");
}

TEST_F(MainMenu, ATitleIsCentredWhileItFitsAndNotDrawnOnceItIsWiderThanTheScreen) {
    const std::string wide(30, 'T');
    struct {
        int width;  // of the title, on a screen of 20 columns
        int column;  // where it starts; -1: not drawn
    } cases[] = {{1, 9}, {18, 1}, {19, 0}, {20, 0}, {21, -1}, {22, -1}, {30, -1}};
    for (const auto& c : cases) {
        virtual_screen s(24, 20);
        const std::string title = wide.substr(0, c.width);
        list_menu(menu_items, title.c_str());
        if (c.column >= 0) {
            EXPECT_EQ(s.text(1, c.column, c.width), title) << c.width;
            continue;
        }
        EXPECT_EQ(trimmed(s.text(1, 1, 18)), "") << c.width;
        for (int col : {0, 19}) {
            EXPECT_EQ(s.ch(1, col), ' ') << c.width;
            EXPECT_EQ(s.attr(1, col) & A_REVERSE, A_REVERSE) << c.width << " covers the border at " << col;
        }
    }
}

TEST_F(MainMenu, BorderRunsThroughTheFourColoursInReverseVideo) {
    virtual_screen s(24, 80);
    init_palette();
    draw_screen_border();
    struct {
        int row, col;
    } cells[] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 79}, {5, 0}, {6, 79}, {23, 0}, {23, 40}, {23, 79}};
    for (const auto& c : cells) {
        EXPECT_EQ(s.ch(c.row, c.col), ' ');
        EXPECT_EQ(s.attr(c.row, c.col) & A_REVERSE, A_REVERSE) << c.row << "," << c.col;
        EXPECT_EQ(s.pair(c.row, c.col), (c.row + c.col) % 4 + 1) << c.row << "," << c.col;
    }
    EXPECT_EQ(s.attr(1, 1) & A_REVERSE, 0u);
}

TEST_F(MainMenu, BackdropIsCurvedBandsWithTheLogoAsABlankSilhouette) {
    virtual_screen s(24, 80);
    init_palette();
    draw_backdrop();
    EXPECT_EQ(s.ch(0, 0), '#');
    EXPECT_EQ(s.pair(12, 9), 1);
    EXPECT_EQ(s.pair(12, 10), 2);
    EXPECT_EQ(s.pair(2, 0), 2);  // the band edge has moved left, away from the middle row
    // The logo's top-left cell lies at (LINES / 2 - 5, COLS / 2 - 21).
    EXPECT_EQ(s.text(10, 21, 38), std::string(38, ' '));
    EXPECT_EQ(s.attr(10, 21), 0u);
    EXPECT_EQ(s.ch(7, 19), '#');           // outside the logo's bumps
    EXPECT_EQ(s.ch(7, 24), ' ');           // a bump
    EXPECT_EQ(s.ch(17, 40), '#');          // the gap between the handles
    EXPECT_EQ(s.ch(17, 25), ' ');          // a handle
}

TEST_F(MainMenu, WithoutColoursOneBandInFourIsInStandout) {
    virtual_screen s(24, 80);
    draw_backdrop();
    EXPECT_EQ(s.attr(12, 0), 0u);
    EXPECT_EQ(s.attr(12, 10), A_STANDOUT);
    EXPECT_EQ(s.attr(12, 20), 0u);
}

// Whether the menu catches or ignores Ctrl-Z while a game runs, as the game
// finds it in /proc: a stand-in for the first program of the list writes it down.
class Launcher : public MainMenu {
protected:
    void SetUp() override {
        MainMenu::SetUp();
        char tmpl[] = "/tmp/km-launch-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        const std::string game = dir_ + "/lurecast";
        std::ofstream(game) << "#!/bin/sh\n"
                            << "grep '^Sig' /proc/" << getpid() << "/status > '" << dir_ << "/seen'\n";
        chmod(game.c_str(), 0755);
        path_ = getenv("PATH");
        setenv("PATH", (dir_ + ":" + path_).c_str(), 1);
        sigaction(SIGTSTP, nullptr, &kept_);
    }
    void TearDown() override {
        sigaction(SIGTSTP, &kept_, nullptr);
        setenv("PATH", path_.c_str(), 1);
        std::filesystem::remove_all(dir_);
        MainMenu::TearDown();
    }
    // Ctrl-Z's bit in the mask of the line "<field>:" that the game saw.
    bool seen(const std::string& field) const {
        std::ifstream in(dir_ + "/seen");
        for (std::string line; std::getline(in, line);)
            if (line.rfind(field + ":", 0) == 0) return (std::stoull(line.substr(field.size() + 1), nullptr, 16) >> (SIGTSTP - 1)) & 1;
        ADD_FAILURE() << "the game never ran, or saw no " << field;
        return false;
    }
    std::string dir_, path_;
    struct sigaction kept_ {};
};

void caught(int) {}

TEST_F(Launcher, WhileAGameRunsCtrlZStopsTheMenuPlainlyAndAfterwardsItIsHandledAsBefore) {
    struct {
        void (*before)(int);
        bool ignored_during;
    } cases[] = {{caught, false}, {SIG_DFL, false}, {SIG_IGN, true}};
    for (const auto& c : cases) {
        virtual_screen s(24, 80);
        struct sigaction set {};
        set.sa_handler = c.before;
        sigemptyset(&set.sa_mask);
        sigaction(SIGTSTP, &set, nullptr);
        std::filesystem::remove(dir_ + "/seen");

        launch_game(2);
        EXPECT_FALSE(seen("SigCgt"));
        EXPECT_EQ(seen("SigIgn"), c.ignored_during);
        struct sigaction after {};
        sigaction(SIGTSTP, nullptr, &after);
        EXPECT_EQ(after.sa_handler, c.before);
    }
}

class NameScreen : public MainMenu {
protected:
    void SetUp() override {
        MainMenu::SetUp();
        unsetenv("KM_PLAYER");
    }
    void TearDown() override {
        unsetenv("KM_PLAYER");
        MainMenu::TearDown();
    }
};

TEST_F(NameScreen, PromptAndNameStandCentredOnTheLogo) {
    virtual_screen s(24, 80);
    name_entry name;
    start_name(name, "alice");
    draw_name_entry(name);
    EXPECT_EQ(s.text(10, 25, 30), "Enter a name, then press enter");
    EXPECT_EQ(s.text(12, 37, 5), "alice");
    EXPECT_EQ(s.text(12, 36, 7), " alice ");
    EXPECT_EQ(s.ch(0, 0), '#');
    type_char(name, 'x');
    draw_name_entry(name);
    EXPECT_EQ(s.text(12, 37, 6), "alicex");
}

TEST_F(NameScreen, EnterExportsTheTypedName) {
    virtual_screen s(24, 80);
    setenv("USER", "alice", 1);
    setenv("KM_PLAYER", "inherited", 1);
    // ESC with a key right behind it is that key with Alt held: nothing to type.
    s.keys({KEY_BACKSPACE, 8, 127, 'Q', ' ', 27, 'q', 'q', '7', '\n'});
    enter_player_name();
    ASSERT_NE(getenv("KM_PLAYER"), nullptr);
    EXPECT_STREQ(getenv("KM_PLAYER"), "alq7");
}

TEST_F(NameScreen, EnterOnAnEmptyNameWaitsForOne) {
    virtual_screen s(24, 80);
    unsetenv("USER");
    s.keys({'\n', '\n'});
    enter_player_name();
    EXPECT_EQ(getenv("KM_PLAYER"), nullptr);
    EXPECT_EQ(s.text(10, 25, 30), "Enter a name, then press enter");

    setenv("USER", "a", 1);
    s.keys({KEY_BACKSPACE, '\n', 'b', '\n'});
    enter_player_name();
    ASSERT_NE(getenv("KM_PLAYER"), nullptr);
    EXPECT_STREQ(getenv("KM_PLAYER"), "b");
}

class ScoreTableScreen : public MainMenu {
protected:
    void SetUp() override {
        MainMenu::SetUp();
        setenv("KM_PLAYER", "bob", 1);
    }
    void TearDown() override {
        unsetenv("KM_PLAYER");
        MainMenu::TearDown();
    }
    static FILE* file_of(const std::string& text) {
        FILE* f = tmpfile();
        fputs(text.c_str(), f);
        return f;
    }
};

TEST_F(ScoreTableScreen, ThePlayersEntriesAreHighlightedInTheColourOfTheirRow) {
    virtual_screen s(24, 80);
    init_palette();
    show_score_file(file_of("bob : 900\nann : 800\nbob : 700\ncid : 5\n"));
    EXPECT_EQ(s.text(1, 34, 11), "High Scores");
    EXPECT_EQ(s.pair(1, 34), 2);
    EXPECT_EQ(s.text(2, 1, 3), "bob");
    EXPECT_EQ(s.text(2, 76, 3), "900");
    EXPECT_EQ(s.pair(2, 1), 3);   // row 2: palette[2]
    EXPECT_EQ(s.pair(2, 78), 3);  // the score too
    EXPECT_EQ(s.pair(2, 10), 0);  // the gap between them is not
    EXPECT_EQ(s.pair(3, 1), 0);
    EXPECT_EQ(s.pair(3, 78), 0);
    EXPECT_EQ(s.pair(4, 1), 1);   // row 4: palette[0]
    EXPECT_EQ(s.text(5, 78, 1), "5");
    EXPECT_EQ(trimmed(s.text(6, 1, 78)), "");
}

TEST_F(ScoreTableScreen, WithoutColoursOnlyRowsFiveAndNineShowAHighlight) {
    virtual_screen s(24, 80);
    std::string text;
    for (int i = 0; i < 10; ++i) text += "bob : " + std::to_string(100 - i) + "\n";
    show_score_file(file_of(text));
    for (int row = 2; row < 12; ++row) {
        attr_t expected = (row == 5 || row == 9) ? A_STANDOUT : 0;
        EXPECT_EQ(s.attr(row, 1), expected) << row;
        EXPECT_EQ(s.attr(row, 77), expected) << row;
    }
}

TEST_F(ScoreTableScreen, AMalformedLineEndsTheTableAndAtMostTenShow) {
    virtual_screen s(24, 80);
    show_score_file(file_of("ann : 3\nbob : 2\nnot a score line\ncid : 1\n"));
    EXPECT_EQ(s.text(3, 1, 3), "bob");
    EXPECT_EQ(trimmed(s.text(4, 1, 78)), "");

    std::string text;
    for (int i = 0; i < 12; ++i) text += "p" + std::to_string(i) + " : -" + std::to_string(i) + "\n";
    show_score_file(file_of(text));
    EXPECT_EQ(s.text(11, 1, 2), "p9");
    EXPECT_EQ(s.text(11, 77, 2), "-9");  // a negative score still ends next to the border
    EXPECT_EQ(s.ch(11, 79), ' ');
    EXPECT_EQ(s.attr(11, 79) & A_REVERSE, A_REVERSE);
    EXPECT_EQ(trimmed(s.text(12, 1, 78)), "");
}

TEST_F(ScoreTableScreen, AnEmptyFileShowsTheTitleAlone) {
    virtual_screen s(24, 80);
    show_score_file(file_of(""));
    EXPECT_EQ(s.text(1, 34, 11), "High Scores");
    EXPECT_EQ(trimmed(s.text(2, 1, 78)), "");
}

}  // namespace
