// The high-score screen drawn on a virtual screen: table rows, marks, alignment, trophy waits, failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "score_screen.h"
#include "score_store.h"
#include "virtual_screen.h"

namespace {

// Puts `text` on score_stream as if the store had just rewritten it.
void table_on_stream(const std::string& text) {
    if (score_stream) fclose(score_stream);
    score_stream = tmpfile();
    fputs(text.c_str(), score_stream);
    rewind(score_stream);
}

score_screen framed_settings() {
    score_screen s;
    s.kind = score_screen::framed;
    s.shown = 11;
    s.failure_text = "Could not open score file.";
    s.score = 77;
    s.frame_attr = A_STANDOUT;
    return s;
}

score_screen printed_settings() {
    score_screen s;
    s.kind = score_screen::printed;
    s.shown = 10;
    s.failure_text = "Couldn't open scorefile.";
    s.score = 77;
    s.origin_row = 3;
    s.draw_header = [] { mvwprintw(stdscr, 1, 0, "HEADER"); };
    return s;
}

std::string trimmed(std::string s) { return s.erase(s.find_last_not_of(' ') + 1); }


TEST(FramedScores, ShowsTheTableWithTheNewEntryMarkedAndScoresFlushRight) {
    virtual_screen vs;
    table_on_stream("ann : 300\nbob : 20\ncy : -5\n");
    show_scores(1, framed_settings());
    EXPECT_EQ(vs.text(1, 36, 11), "HIGH SCORES");
    EXPECT_EQ(trimmed(vs.text(2, 1)), "ann" + std::string(72, '.') + "300");
    EXPECT_EQ(vs.text(4, 1, 5), ">>>bo");
    EXPECT_EQ(vs.text(4, 77, 2), "20");
    // A minus sign is not counted, so a negative score reaches one column further.
    EXPECT_EQ(vs.text(6, 76, 4), "..-5");
    EXPECT_EQ(vs.attr(6, 79) & A_STANDOUT, 0u) << "the last digit takes the frame's cell";
    EXPECT_NE(vs.attr(0, 0) & A_STANDOUT, 0u);
    EXPECT_NE(vs.attr(23, 40) & A_STANDOUT, 0u);
}

TEST(FramedScores, ShowsElevenLinesAtMostAndNoMarkWhenNotEntered) {
    virtual_screen vs;
    std::string file;
    for (int i = 0; i < 12; ++i) file += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
    table_on_stream(file);
    show_scores(-1, framed_settings());
    for (int i = 0; i < 11; ++i) {
        std::string name = "p" + std::to_string(i);
        EXPECT_EQ(vs.text(2 + 2 * i, 1, name.size() + 1), name + ".") << i;
    }
    EXPECT_EQ(vs.dump().find(">>>"), std::string::npos);
    EXPECT_EQ(vs.dump().find("p11"), std::string::npos);
}

TEST(FramedScores, AMalformedLineEndsTheTable) {
    virtual_screen vs;
    table_on_stream("ann : 3\nbroken line\ncy : 1\n");
    show_scores(0, framed_settings());
    EXPECT_EQ(vs.text(2, 1, 6), ">>>ann");
    EXPECT_EQ(trimmed(vs.text(4, 1, 78)), "");
}

TEST(FramedScores, ANarrowTerminalCutsTheRowsInsteadOfCarryingThemOver) {
    virtual_screen vs(24, 40);
    const std::string name(59, 'n');
    table_on_stream(name + " : 5\nb : 4\n");
    vs.type_when_waiting({'x'});  // past the trophy page
    show_scores(0, framed_settings());
    EXPECT_EQ(vs.text(2, 1), ">>>" + name.substr(0, 36));
    EXPECT_EQ(trimmed(vs.text(3, 1)), "") << "nothing spills into the row below";
    EXPECT_EQ(vs.text(4, 1, 2), "b.");
}

TEST(FramedScores, AShortTerminalDropsTheRowsItHasNoRoomFor) {
    virtual_screen vs(15, 60);
    std::string file;
    for (int i = 0; i < 11; ++i) file += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
    table_on_stream(file);
    show_scores(-1, framed_settings());
    EXPECT_EQ(trimmed(vs.text(14, 1)), "p6" + std::string(57, '.')) << "later names are not written where the cursor was";
}

TEST(FramedScores, ReportsAFailureWithTheScoreInsteadOfATable) {
    virtual_screen vs;
    show_scores(score_failed, framed_settings());
    EXPECT_EQ(trimmed(vs.text(1)), "Could not open score file.");
    EXPECT_EQ(trimmed(vs.text(2)), "However, your score is 77.");
    EXPECT_EQ(vs.dump().find("HIGH SCORES"), std::string::npos);
}

// The trophy page waits for a key that is not a movement key; these tests count the keys it took.
TEST(FramedScores, TrophyPageWaitsPastMovementKeysOnlyWhenARecordFell) {
    struct trophy_case {
        const char* what;
        const char* file;
        bool trophy;
    };
    const trophy_case cases[] = {
        {"beat a positive record", "me : 50\nold : 40\n", true},
        {"former best zero", "me : 50\nold : 0\n", false},
        {"former best negative", "me : 50\nold : -3\n", false},
        {"first entry ever", "me : 50\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        virtual_screen vs;
        table_on_stream(c.file);
        vs.type_when_waiting({'s', 'w', KEY_UP, KEY_DOWN, 'x', 'z'});
        show_scores(0, framed_settings());
        nodelay(stdscr, FALSE);
        int next = wgetch(stdscr);
        EXPECT_EQ(next, c.trophy ? 'z' : 's');
        EXPECT_EQ(vs.text(2, 1, 5), ">>>me");
    }
}

TEST(PrintedScores, PrintsTheTopTenUnderTheHeader) {
    virtual_screen vs;
    std::string file;
    for (int i = 1; i <= 11; ++i) file += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
    table_on_stream(file);
    show_scores(1, printed_settings());
    EXPECT_EQ(trimmed(vs.text(1)), "HEADER");
    EXPECT_EQ(trimmed(vs.text(3)), ">*>*>Top 10<*<*<");
    EXPECT_EQ(trimmed(vs.text(4)), "1) p1 : 99");
    EXPECT_EQ(trimmed(vs.text(5)), ">>>2) p2 : 98");
    EXPECT_EQ(trimmed(vs.text(13)), "10) p10 : 90");
    EXPECT_EQ(trimmed(vs.text(14)), "");
}

TEST(PrintedScores, TrophyShowsForAnyFormerBestAndEndsOnAnyKey) {
    for (const char* file : {"me : 5\nold : 4\n", "me : 0\nold : -3\n"}) {
        SCOPED_TRACE(file);
        virtual_screen vs;
        table_on_stream(file);
        vs.type_when_waiting({'s', 'z'});
        score_screen s = printed_settings();
        s.trophy_attrs = {A_BOLD, A_REVERSE};
        show_scores(0, s);
        EXPECT_EQ(wgetch(stdscr), 'z') << "any key, even 's', ends the trophy";
        EXPECT_EQ(trimmed(vs.text(1)), "HEADER");
        EXPECT_EQ(trimmed(vs.text(4)), ">>>1) me : " + std::string(file[5] == '5' ? "5" : "0"));
    }
}

// Below the last row nothing is written: the cursor stays there, and the
// entries that did not fit would pile up on that row one after the other.
TEST(PrintedScores, AShortTerminalDropsTheRowsItHasNoRoomFor) {
    for (int rows : {12, 14}) {
        SCOPED_TRACE(rows);
        virtual_screen vs(rows, 60);
        std::string file;
        for (int i = 1; i <= 10; ++i) file += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
        table_on_stream(file);
        const page_end end = show_scores(-1, printed_settings());
        EXPECT_EQ(trimmed(vs.text(3)), ">*>*>Top 10<*<*<");
        for (int row = 4; row < rows; ++row)
            EXPECT_EQ(trimmed(vs.text(row)), std::to_string(row - 3) + ") p" + std::to_string(row - 3) + " : " + std::to_string(103 - row));
        EXPECT_EQ(end.row, 15) << "the table ends where it would on a tall terminal";
        EXPECT_EQ(end.col, 0);
    }
}

TEST(PrintedScores, ReportsAFailureUnderTheHeader) {
    virtual_screen vs;
    show_scores(score_failed, printed_settings());
    EXPECT_EQ(trimmed(vs.text(3)), "Couldn't open scorefile.");
    EXPECT_EQ(trimmed(vs.text(4)), "However, your score is 77.");
}

}  // namespace
