// The menu's plain parts: item lists, list view, name editing, logo, backdrop bands, tables.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "rules.h"

using namespace kelmora;

namespace {

std::string item(const char* items, int k) {
    char out[item_name_size];
    int length = nth_item(items, k, out);
    EXPECT_EQ(length, static_cast<int>(strlen(out)));
    return out;
}

TEST(ItemLists, ItemsAreCountedAndExtractedByIndex) {
    struct {
        const char* items;
        int count;
        int k;
        const char* text;
    } cases[] = {
        {menu_items, 23, 0, "See High Scores"},
        {menu_items, 23, 1, "See help pages"},
        {menu_items, 23, 3, "arrowpip"},
        {menu_items, 23, 15, "coilclash"},
        {menu_items, 23, 22, "scarletcell"},
        {menu_help_text, 6, 1, "or '!' to see the Controls and Gameplay "},
        {menu_help_text, 6, 5, "this way: hopboard -h"},
        {score_file_list, 9, 0, "tubelink_scores"},
        {score_file_list, 9, 8, "blockhop_scores"},
        {"one\n", 1, 0, "one"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(item_count(c.items), c.count) << c.text;
        EXPECT_EQ(item(c.items, c.k), c.text);
    }
}

TEST(ItemLists, EveryGameOfTheSuiteButBlockhopIsListedAndEveryScoringGameHasItsTable) {
    std::string programs;
    for (int k = 2; k < item_count(menu_items); ++k) programs += item(menu_items, k) + " ";
    for (const char* game : {"arrowpip", "voltrider", "coilclash", "glyphpair", "ropeheave"})
        EXPECT_NE(programs.find(std::string(game) + " "), std::string::npos) << game;
    EXPECT_EQ(programs.find("blockhop"), std::string::npos);

    std::string tables;
    for (int k = 0; k < item_count(score_file_list); ++k) tables += item(score_file_list, k) + " ";
    for (const char* game : {"arrowpip", "voltrider", "ropeheave", "blockhop"})
        EXPECT_NE(tables.find(std::string(game) + "_scores "), std::string::npos) << game;
}

// A 24-line screen shows 21 rows of items.
TEST(ListView, SelectionMovesAndTheViewScrollsByTheLeastAmount) {
    const int rows = view_rows(24);
    ASSERT_EQ(rows, 21);
    struct {
        int start_sel, start_top;
        list_move move;
        int sel, top;
    } cases[] = {
        {0, 0, list_move::up, 0, 0},       // Up on the first item changes nothing
        {22, 2, list_move::down, 22, 2},   // Down on the last item changes nothing
        {19, 0, list_move::down, 20, 0},   // the last visible row: no scroll yet
        {20, 0, list_move::down, 21, 1},   // one past it: the view moves by one
        {21, 1, list_move::down, 22, 2},
        {1, 1, list_move::up, 0, 0},       // up past the top scrolls back
        {5, 0, list_move::none, 5, 0},
    };
    for (const auto& c : cases) {
        list_view view{23, c.start_sel, c.start_top};
        EXPECT_FALSE(apply_move(view, c.move));
        bring_into_view(view, rows);
        EXPECT_EQ(view.sel, c.sel) << c.start_sel;
        EXPECT_EQ(view.top, c.top) << c.start_sel;
    }
}

TEST(ListView, NothingScrollsWhenEveryItemFits) {
    list_view view{23, 0, 0};
    for (int i = 0; i < 30; ++i) {
        apply_move(view, list_move::down);
        bring_into_view(view, view_rows(26));
        EXPECT_EQ(view.top, 0);
    }
    EXPECT_EQ(view.sel, 22);
}

TEST(ListView, ChoosingAndLeavingEndTheList) {
    list_view view{6, 3, 0};
    EXPECT_TRUE(apply_move(view, list_move::choose));
    EXPECT_EQ(view.sel, 3);
    EXPECT_TRUE(apply_move(view, list_move::leave));
}

TEST(ListView, ASelectionOutsideTheListIsBroughtBack) {
    list_view view{9, 40, 0};
    bring_into_view(view, 5);
    EXPECT_EQ(view.sel, 8);
    EXPECT_EQ(view.top, 4);
}

TEST(Logo, MaskIsAControllerWithFullWidthRowsForThePromptAndTheName) {
    ASSERT_EQ(strlen(logo_mask), static_cast<size_t>(logo_rows * logo_cols));
    int marked = 0;
    for (int r = 0; r < logo_rows; ++r)
        for (int c = 0; c < logo_cols; ++c) marked += logo_cell(r, c);
    EXPECT_GE(marked, 280);
    EXPECT_LE(marked, 330);
    for (int r = 3; r <= 5; ++r)
        for (int c = 2; c <= 39; ++c) EXPECT_TRUE(logo_cell(r, c)) << r << "," << c;
    // Two handles with an open gap between them on the bottom row.
    EXPECT_FALSE(logo_cell(logo_rows - 1, logo_cols / 2));
    EXPECT_TRUE(logo_cell(logo_rows - 1, 7));
    EXPECT_TRUE(logo_cell(logo_rows - 1, 33));
    EXPECT_FALSE(logo_cell(-1, 5));
    EXPECT_FALSE(logo_cell(3, logo_cols));
}

TEST(Backdrop, BandsAreTenColumnsWideAndCurveLeftAwayFromTheMiddleRow) {
    struct {
        int row, col, lines, band;
    } cases[] = {
        {12, 0, 24, 0},  {12, 9, 24, 0},  {12, 10, 24, 1}, {12, 39, 24, 3}, {12, 40, 24, 0},
        // 10 rows above the middle: (100 / 10) = 10 columns of shift, one whole band.
        {2, 0, 24, 1},
        // 5 rows off: 25 / 10 = 2 columns of shift.
        {7, 7, 24, 0},   {7, 8, 24, 1},   {17, 8, 24, 1},
        {0, 0, 25, 1},   // h = 12: 144 / 10 = 14
    };
    for (const auto& c : cases) EXPECT_EQ(backdrop_band(c.row, c.col, c.lines), c.band) << c.row << "," << c.col;
}

TEST(NameEntry, StartsFromTheLoginNameCutTo24AndTakesOneMore) {
    name_entry name;
    start_name(name, "abcdefghijklmnopqrstuvwxyz1234");
    EXPECT_STREQ(name.player_name, "abcdefghijklmnopqrstuvwx");
    EXPECT_TRUE(type_char(name, '7'));
    EXPECT_FALSE(type_char(name, '8'));
    EXPECT_STREQ(name.player_name, "abcdefghijklmnopqrstuvwx7");
    EXPECT_EQ(shown_width(name), 25);
}

TEST(NameEntry, OnlyLowercaseLettersAndDigitsAreTyped) {
    name_entry name;
    start_name(name, nullptr);
    EXPECT_STREQ(name.player_name, "");
    EXPECT_FALSE(name_ready(name));
    for (int c : {int{'q'}, int{'A'}, int{' '}, int{'-'}, 27, int{'0'}, int{'9'}, int{'z'}, int{'\t'}, 300})
        type_char(name, c);
    EXPECT_STREQ(name.player_name, "q09z");
    EXPECT_TRUE(name_ready(name));
}

TEST(NameEntry, BackspaceRemovesOneCharacterAndNothingOnAnEmptyName) {
    name_entry name;
    start_name(name, "al");
    erase_last(name);
    EXPECT_STREQ(name.player_name, "a");
    erase_last(name);
    erase_last(name);
    EXPECT_STREQ(name.player_name, "");
    EXPECT_EQ(name.length, 0);
    EXPECT_FALSE(name_ready(name));
}

TEST(NameEntry, ALoginNameInUtf8KeepsWholeCharacters) {
    name_entry name;
    // 23 ASCII letters and a two-byte letter: cutting at 24 bytes would split it.
    start_name(name, "abcdefghijklmnopqrstuvw\xc3\xa9z");
    EXPECT_STREQ(name.player_name, "abcdefghijklmnopqrstuvw");
    start_name(name, "j\xc3\xb6rg");
    EXPECT_EQ(shown_width(name), 4);
    erase_last(name);
    erase_last(name);
    EXPECT_STREQ(name.player_name, "j\xc3\xb6");
    erase_last(name);
    EXPECT_STREQ(name.player_name, "j");
}

TEST(NameEntry, OnlyTakingANameThatIsThereEndsTheEntry) {
    name_entry name;
    start_name(name, "a");
    EXPECT_FALSE(apply_edit(name, name_edit::type, 'b'));
    EXPECT_FALSE(apply_edit(name, name_edit::none, 'c'));
    EXPECT_STREQ(name.player_name, "ab");
    EXPECT_TRUE(apply_edit(name, name_edit::take, '\n'));
    EXPECT_FALSE(apply_edit(name, name_edit::erase, 8));
    EXPECT_FALSE(apply_edit(name, name_edit::erase, 8));
    EXPECT_FALSE(apply_edit(name, name_edit::take, '\n'));
    EXPECT_STREQ(name.player_name, "");
}

std::vector<score_entry> table_from(const std::string& text, int most = table_rows_shown) {
    FILE* f = tmpfile();
    fputs(text.c_str(), f);
    // Left at the end on purpose: the table is read from the start all the same.
    auto table = read_scores(f, most);
    fclose(f);
    return table;
}

TEST(ScoreTable, AMalformedLineEndsTheTable) {
    auto table = table_from("ann : 30\nbob : 20\nthis line is broken\ncid : 10\n");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_STREQ(table[1].name, "bob");
    EXPECT_EQ(table[1].score, 20);
    EXPECT_TRUE(table_from("").empty());
    EXPECT_EQ(table_from("a : -5\nb : x\n").size(), 1u);
}

TEST(ScoreTable, AtMostTheFirstTenEntriesAreRead) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
    auto table = table_from(text);
    ASSERT_EQ(table.size(), 10u);
    EXPECT_STREQ(table[9].name, "p9");
}

TEST(ScoreTable, TheLastCharacterOfAScoreStandsNextToTheRightBorder) {
    struct {
        int64_t score;
        int column;
    } cases[] = {{0, 78}, {7, 78}, {42, 77}, {123456, 73}, {-5, 77}, {INT64_MIN, 59}};
    for (const auto& c : cases) {
        EXPECT_EQ(score_column(80, c.score), c.column) << c.score;
        EXPECT_EQ(score_column(80, c.score) + static_cast<int>(score_text(c.score).size()), 79) << c.score;
    }
}

TEST(ScoreTable, ThePlayersEntriesAreThoseUnderTheNameTheGamesWrite) {
    setenv("KM_PLAYER", "bob", 1);
    setenv("USER", "alice", 1);
    EXPECT_EQ(current_player(), "bob");
    unsetenv("KM_PLAYER");
    EXPECT_EQ(current_player(), "alice");
    score_entry e{"alice", 3};
    EXPECT_TRUE(is_players(e, "alice"));
    EXPECT_FALSE(is_players(e, "alic"));
    EXPECT_FALSE(is_players(score_entry{"", 3}, ""));
}

// In a child, takes on the ids a set-id menu would start with, drops the
// extra ones and reports: 0 when every id is the player's and none of the
// extra ones can be taken back, else which check failed.
int ids_after_drop(uid_t ruid, uid_t euid, gid_t rgid, gid_t egid) {
    pid_t child = fork();
    if (child == 0) {
        if (setresgid(rgid, egid, egid) != 0 || setresuid(ruid, euid, euid) != 0) _exit(10);
        if (!drop_extra_privileges()) _exit(11);
        uid_t r, e, s;
        gid_t rg, eg, sg;
        if (getresuid(&r, &e, &s) != 0 || getresgid(&rg, &eg, &sg) != 0) _exit(12);
        if (r != ruid || e != ruid || s != ruid) _exit(13);
        if (rg != rgid || eg != rgid || sg != rgid) _exit(14);
        if (euid != ruid && (seteuid(euid) == 0 || setuid(euid) == 0)) _exit(15);
        if (egid != rgid && (setegid(egid) == 0 || setgid(egid) == 0)) _exit(16);
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(Privileges, ASetIdMenuGivesUpEveryExtraIdForGood) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to take on the ids of a set-id program";
    const uid_t player = 65534;
    const gid_t player_group = 65534;
    struct {
        const char* install;
        uid_t euid;
        gid_t egid;
    } cases[] = {
        {"set-user-id root", 0, player_group},
        {"set-group-id games", player, 60},
        {"both", 0, 60},
        {"neither", player, player_group},
    };
    for (const auto& c : cases) EXPECT_EQ(ids_after_drop(player, c.euid, player_group, c.egid), 0) << c.install;
}

}  // namespace
