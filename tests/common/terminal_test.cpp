// Key reads shared by every program: a resize is never taken for the player's
// key, a time-out never ends a wait, and keys typed ahead never answer a page
// that follows play.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "terminal.h"
#include "virtual_screen.h"

namespace {

TEST(KeyReads, AResizeRedrawsAndIsNeverReturned) {
    virtual_screen vs;
    int redraws = 0;
    auto redraw = [&] { ++redraws; };

    vs.keys({KEY_RESIZE, 'a'});
    EXPECT_EQ(read_key(stdscr, redraw), 'a');
    EXPECT_EQ(redraws, 1);

    vs.keys({KEY_RESIZE, 's', KEY_UP, KEY_RESIZE, 'w', KEY_DOWN, 'y'});
    EXPECT_EQ(wait_key_past_moves(stdscr, redraw), 'y');
    EXPECT_EQ(redraws, 3);

    vs.keys({KEY_RESIZE, 'n'});
    EXPECT_EQ(wait_key(stdscr), 'n') << "without a redraw of its own the screen is repainted as it stands";
}

TEST(KeyReads, OnlyALoneEscapeIsEscapeAndUnknownSequencesAreDroppedWhole) {
    virtual_screen vs;
    struct {
        const char* what;
        std::vector<int> keys;
        int read;
    } cases[] = {
        {"a lone ESC", {27}, 27},
        {"Alt+x", {27, 'x', 'a'}, 'a'},
        {"Alt+ESC", {27, 27, 'a'}, 'a'},
        {"an unknown Home", {27, '[', '1', '~', 'a'}, 'a'},
        {"a sequence with parameters", {27, '[', '1', ';', '5', 'H', 'a'}, 'a'},
        {"an SS3 key", {27, 'O', 'w', 'a'}, 'a'},
        {"an X10 mouse report", {27, '[', 'M', ' ', '!', '"', 'a'}, 'a'},
        {"an SGR mouse report", {27, '[', '<', '0', ';', '3', ';', '4', 'M', 'a'}, 'a'},
        {"a title string", {27, ']', '2', ';', 't', 7, 'a'}, 'a'},
        {"Alt with a known key", {27, KEY_UP, 'a'}, 'a'},
    };
    for (const auto& c : cases) {
        // ungetch is last in, first out.
        for (auto k = c.keys.rbegin(); k != c.keys.rend(); ++k) ungetch(*k);
        EXPECT_EQ(read_key(stdscr), c.read) << c.what;
        nodelay(stdscr, TRUE);
        EXPECT_EQ(wgetch(stdscr), ERR) << c.what << ": nothing of it is left";
        nodelay(stdscr, FALSE);
    }
}

using act = raw_mouse::act;

TEST(MouseReports, BothEncodingsAreDecodedAndAnythingElseIsNot) {
    struct {
        const char* what;
        std::string seq;
        std::optional<raw_mouse> report;
    } cases[] = {
        // The basic encoding: the button code, the column and the row, each plus 32, cells from 1.
        {"a press at the top left", "\x1b[M !!", raw_mouse{act::press, 1, 0, 0}},
        {"button 2", "\x1b[M!+&", raw_mouse{act::press, 2, 5, 10}},
        {"button 3", "\x1b[M\"+&", raw_mouse{act::press, 3, 5, 10}},
        {"a release, which names no button", "\x1b[M#+&", raw_mouse{act::release, 0, 5, 10}},
        {"ctrl and shift are not told", "\x1b[M4+&", raw_mouse{act::press, 1, 5, 10}},
        {"the wheel up", "\x1b[M`+&", raw_mouse{act::press, 4, 5, 10}},
        {"the wheel down", "\x1b[Ma+&", raw_mouse{act::press, 5, 5, 10}},
        {"the wheel right, whose low bits read as a release", "\x1b[Mc+&", raw_mouse{act::press, 7, 5, 10}},
        {"an extra button", "\x1b[M\xa0+&", raw_mouse{act::press, 8, 5, 10}},
        {"motion with button 1 held", "\x1b[M@+&", raw_mouse{act::motion, 1, 5, 10}},
        {"the last cell the encoding has", "\x1b[M \xff\xff", raw_mouse{act::press, 1, 222, 222}},
        {"a cell it cannot encode", std::string("\x1b[M !\0", 6), std::nullopt},
        {"cut short", "\x1b[M !", std::nullopt},
        {"a byte too many", "\x1b[M !!!", std::nullopt},
        // Decimal fields; the release names its button.
        {"a decimal press at the top left", "\x1b[<0;1;1M", raw_mouse{act::press, 1, 0, 0}},
        {"a decimal release", "\x1b[<0;10;20m", raw_mouse{act::release, 1, 19, 9}},
        {"button 3 released", "\x1b[<2;5;5m", raw_mouse{act::release, 3, 4, 4}},
        {"alt and button 1", "\x1b[<8;5;5M", raw_mouse{act::press, 1, 4, 4}},
        {"the wheel down in decimals", "\x1b[<65;3;4M", raw_mouse{act::press, 5, 3, 2}},
        {"motion with no button", "\x1b[<35;3;4M", raw_mouse{act::motion, 0, 3, 2}},
        {"cells past the basic encoding", "\x1b[<0;300;1000M", raw_mouse{act::press, 1, 999, 299}},
        {"a cell 0", "\x1b[<0;0;1M", std::nullopt},
        {"a field too long", "\x1b[<0;1234567;1M", std::nullopt},
        {"two fields", "\x1b[<0;3M", std::nullopt},
        {"an empty field", "\x1b[<;3;4M", std::nullopt},
        {"cut short before its end", "\x1b[<0;3;4", std::nullopt},
        {"another final byte", "\x1b[<0;3;4H", std::nullopt},
        {"a key, not a report", "\x1b[1;5H", std::nullopt},
        {"the start alone", "\x1b[M", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(decode_mouse_report(c.seq), c.report) << c.what;
}

// Queues bytes for the next reads.
void queue(const std::string& bytes) {
    for (auto c = bytes.rbegin(); c != bytes.rend(); ++c) ungetch(static_cast<unsigned char>(*c));
}

// The reports read_key hands out, one KEY_MOUSE each, until nothing is left.
std::vector<raw_mouse> mouse_keys_of(const std::string& bytes) {
    queue(bytes);
    std::vector<raw_mouse> got;
    nodelay(stdscr, TRUE);
    for (int key = read_key(stdscr); key != ERR; key = read_key(stdscr)) {
        EXPECT_EQ(key, KEY_MOUSE);
        got.push_back(last_mouse_report());
    }
    nodelay(stdscr, FALSE);
    return got;
}

TEST(MouseReports, AProgramThatTakesThemGetsEveryReportOrTheEndsOfClicks) {
    virtual_screen vs;
    const std::string press = "\x1b[<0;3;4M", release = "\x1b[<0;3;4m", wheel = "\x1b[<64;3;4M", motion = "\x1b[<32;5;4M";
    const raw_mouse pressed{act::press, 1, 3, 2}, released{act::release, 1, 3, 2}, wheeled{act::press, 4, 3, 2};

    EXPECT_EQ(take_mouse_reports(mouse_keys::every_report), mouse_keys::curses);
    // Reports that came together are read one by one, none merged into another.
    EXPECT_EQ(mouse_keys_of(press + release + press + release + "\x1b[M#!!"),
              (std::vector<raw_mouse>{pressed, released, pressed, released, {act::release, 0, 0, 0}}));
    EXPECT_EQ(mouse_keys_of(motion), (std::vector<raw_mouse>{{act::motion, 1, 3, 4}}));
    EXPECT_EQ(mouse_keys_of("\x1b[<0;3"), std::vector<raw_mouse>{}) << "a report cut short is dropped";
    queue("\x1b[1;5Ha");
    EXPECT_EQ(read_key(stdscr), 'a') << "other sequences are dropped as before";

    EXPECT_EQ(take_mouse_reports(mouse_keys::ends_of_clicks), mouse_keys::every_report);
    EXPECT_EQ(mouse_keys_of(press + release + motion + wheel + press + release),
              (std::vector<raw_mouse>{released, wheeled, released}));

    EXPECT_EQ(take_mouse_reports(mouse_keys::curses), mouse_keys::ends_of_clicks);
    queue(press + release + "a");
    EXPECT_EQ(read_key(stdscr), 'a') << "a program that takes no reports never sees one";
}

TEST(KeyReads, AWaitWhoseReadsKeepFailingEndsTheProgramInsteadOfSpinning) {
    virtual_screen vs;
    blocking_input();
    // Every read of the screen's own terminal fails at once, while the test's
    // standard input reports no hang-up.
    EXPECT_EXIT(
        {
            vs.break_input();
            wait_key(stdscr);
        },
        testing::ExitedWithCode(1), "");
}

TEST(KeyReads, OnlyNoAndQuitDeclineAnotherGame) {
    for (int key : {'n', 'N', 'q'}) EXPECT_TRUE(declines_another_game(key)) << key;
    for (int key : {int{'y'}, int{'Y'}, int{'Q'}, int{' '}, int{'\n'}, 27, KEY_ENTER}) EXPECT_FALSE(declines_another_game(key)) << key;
}

TEST(KeyReads, HjklWasdAndTheArrowsAreTheDirections) {
    struct row {
        int key;
        key_direction dir;
    };
    const row cases[] = {
        {'k', key_direction::up},      {'w', key_direction::up},      {KEY_UP, key_direction::up},
        {'j', key_direction::down},    {'s', key_direction::down},    {KEY_DOWN, key_direction::down},
        {'h', key_direction::left},    {'a', key_direction::left},    {KEY_LEFT, key_direction::left},
        {'l', key_direction::right},   {'d', key_direction::right},   {KEY_RIGHT, key_direction::right},
        {'K', key_direction::none},    {'W', key_direction::none},    {'q', key_direction::none},
        {ERR, key_direction::none},    {'\n', key_direction::none},   {KEY_HOME, key_direction::none},
    };
    for (const row& c : cases) EXPECT_EQ(direction_of_key(c.key), c.dir) << c.key;
}

// A throttled key costs a tenth of a second and drops the keys queued behind it;
// any other read leaves the queue for the next tick.
TEST(KeyReads, AThrottledKeyCostsATenthAndDropsTheQueue) {
    virtual_screen vs;
    nodelay(stdscr, TRUE);
    struct row {
        const char* what;
        void (*throttle)();
        bool throttled;
    };
    const row cases[] = {
        {"any key", [] { throttle_key('x'); }, true},
        {"any key, discarding first", [] { throttle_key('x', throttle_order::discard_then_sleep); }, true},
        {"no key", [] { throttle_key(ERR); }, false},
        {"the previous tick's key again", [] { throttle_repeat('x', 'x'); }, true},
        {"a key other than the previous tick's", [] { throttle_repeat('x', 'y'); }, false},
        {"no key after no key", [] { throttle_repeat(ERR, ERR); }, false},
    };
    for (const row& c : cases) {
        vs.keys({'a'});
        const auto start = std::chrono::steady_clock::now();
        c.throttle();
        const auto took = std::chrono::steady_clock::now() - start;
        if (c.throttled) {
            EXPECT_GE(took, std::chrono::milliseconds(100)) << c.what;
            EXPECT_EQ(wgetch(stdscr), ERR) << c.what;
        } else {
            EXPECT_LT(took, std::chrono::milliseconds(100)) << c.what;
            EXPECT_EQ(wgetch(stdscr), 'a') << c.what;
        }
        while (wgetch(stdscr) != ERR) {
        }
    }
}

// Input modes change through one helper each, and each does what it says.
TEST(InputModes, BlockingReadsLeaveNoDelayModeWhateverCameBefore) {
    virtual_screen vs;
    struct row {
        const char* what;
        void (*before)();
        void (*then)();
        bool no_delay;
    } cases[] = {
        {"instant, then blocking", instant_input, blocking_input, false},
        {"paced, then blocking", paced_input, blocking_input, false},
        {"instant, then paced", instant_input, paced_input, false},
        {"blocking, then instant", blocking_input, instant_input, true},
    };
    for (const row& c : cases) {
        c.before();
        c.then();
        EXPECT_EQ(is_nodelay(stdscr), c.no_delay) << c.what;
    }
}

// A wait reads until a key comes: a half-delay time-out is no answer, and no
// reason to end the program.
TEST(KeyReads, AWaitOutlastsTimeOuts) {
    for (void (*mode)() : {paced_input, blocking_input}) {
        virtual_screen vs;
        mode();
        vs.type_after(std::chrono::milliseconds(350), 'x');
        EXPECT_EQ(wait_key(stdscr), 'x');
    }
}

TEST(KeyReads, AWaitAfterPlayDropsKeysTypedAheadAndThoseOfItsDeafTime) {
    virtual_screen vs;
    paced_input();
    vs.keys({'a', 'b'});
    vs.type_when_waiting({virtual_screen::in_deaf_time, 'c', 'y'});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait_after_play(stdscr), 'y');
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(after_play_deaf_ms));
    EXPECT_FALSE(is_nodelay(stdscr));
}

TEST(KeyReads, AWaitAfterPlayPassesOverTheKeysItIgnoresAndTicksWhenAsked) {
    virtual_screen vs;
    vs.type_when_waiting({'s', KEY_UP, 'w', KEY_DOWN, KEY_RESIZE, 'n'});
    EXPECT_EQ(wait_after_play(stdscr, is_move_key), 'n');
    for (int key : {int{'s'}, int{'w'}, KEY_UP, KEY_DOWN}) EXPECT_TRUE(is_move_key(key)) << key;
    for (int key : {int{'S'}, int{'a'}, int{'d'}, KEY_LEFT, KEY_RIGHT, int{'n'}}) EXPECT_FALSE(is_move_key(key)) << key;

    // A flashing page: a key ends the ticks.
    vs.type_when_waiting({'z'});
    EXPECT_EQ(wait_after_play(stdscr, nullptr, nullptr, [] {}), 'z');
}

// A page put back after a resize puts the cursor back too: a shown cursor
// would otherwise stand wherever the shrink left it.
TEST(KeyReads, APagePutBackAfterAResizeHasItsCursorBack) {
    virtual_screen vs;
    mvwaddstr(stdscr, 6, 0, "Game over! Wanna play again?(y/n)");
    page_copy page;
    wmove(stdscr, 0, 0);
    page.restore();
    EXPECT_EQ(getcury(stdscr), 6);
    EXPECT_EQ(getcurx(stdscr), 33);

    vs.type_when_waiting({KEY_RESIZE, 'n'});
    EXPECT_EQ(wait_after_play(stdscr, nullptr, nullptr), 'n');
    EXPECT_EQ(getcury(stdscr), 6);
    EXPECT_EQ(getcurx(stdscr), 33);
}

}  // namespace
