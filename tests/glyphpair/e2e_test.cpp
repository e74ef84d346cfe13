// The real glyphpair in a real terminal: moving, turning by keys and by mouse,
// the help pages, whole games won through the keys, and every way out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "rules.h"
#include "terminal_run.h"

using namespace glyphpair;

namespace {

// One string per screen cell: the box is drawn with multi-byte characters.
std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    for (size_t i = 0; i < line.size();) {
        size_t n = 1;
        const auto lead = static_cast<unsigned char>(line[i]);
        if (lead >= 0xf0) n = 4;
        else if (lead >= 0xe0) n = 3;
        else if (lead >= 0xc0) n = 2;
        out.push_back(line.substr(i, n));
        i += n;
    }
    return out;
}

// The 8 rows of 16 tiles as shown: '.' face down, else the glyph.
std::vector<std::string> tiles_shown(terminal_run& run) {
    // One capture for the whole grid: rows read one by one may straddle a repaint.
    const std::string screen = run.screen();
    std::vector<std::string> grid;
    for (int r = 0; r < 8; ++r) {
        const auto row = cells(terminal_run::row_of(screen, 4 + r));
        std::string tiles;
        for (int c = 0; c < 16; ++c) tiles += 1 + c < static_cast<int>(row.size()) ? row[1 + c] : "?";
        grid.push_back(tiles);
    }
    return grid;
}

bool wait_until(const std::function<bool()>& done, double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Waits until tile (r, c) shows a glyph; then every other glyph shown must be
// the same one (the pair it may have just won). Returns the glyph.
char wait_for_only_face_up(terminal_run& run, int r, int c) {
    std::vector<std::string> grid;
    const bool shown = wait_until([&] {
        grid = tiles_shown(run);
        return grid[r][c] != '.';
    });
    EXPECT_TRUE(shown) << "tile " << r << "," << c << " never turned:\n" << run.screen();
    if (!shown) return '?';
    const char glyph = grid[r][c];
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 16; ++j)
            if (grid[i][j] != '.') {
                EXPECT_EQ(grid[i][j], glyph) << "tile " << i << "," << j << " is face up too";
            }
    return glyph;
}

// A fixed deal: tiles turned one after another that happened to be twins would
// stay face up as a won pair, and the deal from the clock does that now and then.
terminal_run::options dealt() {
    terminal_run::options opts;
    opts.seed = 1;
    return opts;
}

bool board_shown(terminal_run& run) { return run.wait_for("................"); }

std::vector<std::string> repeat(const std::string& key, int times) { return std::vector<std::string>(times, key); }

// A button-1 press at screen cell (y, x) in the terminal's basic mouse
// encoding, followed by its release unless `press_only`.
std::string mouse_at(int y, int x, bool press_only = false) {
    const std::string where{static_cast<char>(33 + x), static_cast<char>(33 + y)};
    std::string seq = "\x1b[M" + std::string(1, ' ') + where;
    if (!press_only) seq += "\x1b[M#" + where;
    return seq;
}

TEST(GlyphpairPlay, CursorStaysInsideAtEveryEdge) {
    terminal_run run(program_path("glyphpair"), dealt());
    ASSERT_TRUE(board_shown(run)) << run.screen();

    std::vector<std::string> keys = repeat("Up", 3);
    for (auto k : {"Left", "Left", "k", "h", "w", "a", "Enter"}) keys.push_back(k);
    run.keys(keys);
    wait_for_only_face_up(run, 0, 0);

    keys = repeat("j", 5);
    for (const auto& k : repeat("s", 5)) keys.push_back(k);
    for (const auto& k : repeat("Down", 2)) keys.push_back(k);
    for (const auto& k : repeat("l", 8)) keys.push_back(k);
    for (const auto& k : repeat("d", 8)) keys.push_back(k);
    for (const auto& k : repeat("Right", 4)) keys.push_back(k);
    keys.push_back("Enter");
    run.keys(keys);
    wait_for_only_face_up(run, 7, 15);

    run.keys({"w", "a", "Enter"});
    wait_for_only_face_up(run, 6, 14);
    run.keys({"Up", "Left", "Enter"});
    wait_for_only_face_up(run, 5, 13);
    run.keys({"q"});
    EXPECT_EQ(run.wait_exit(), 0);
}

TEST(GlyphpairHelp, PagesShowInTurnThenTheBoardComesBack) {
    struct help_case {
        const char* key;
        bool controls_first;
    };
    terminal_run run(program_path("glyphpair"));
    ASSERT_TRUE(board_shown(run)) << run.screen();
    for (const help_case c : {help_case{"?", true}, help_case{"F1", true}, help_case{"!", false},
                              help_case{"F2", false}}) {
        run.keys({c.key});
        if (c.controls_first) {
            ASSERT_TRUE(run.wait_for("**** THE CONTROLS ****")) << c.key << "\n" << run.screen();
            EXPECT_NE(run.screen().find("YOU CAN ALSO USE THE MOUSE!"), std::string::npos);
            EXPECT_EQ(run.screen().find("THE GAMEPLAY"), std::string::npos);
            run.keys({"x"});
        }
        ASSERT_TRUE(run.wait_for("**** THE GAMEPLAY ****")) << c.key << "\n" << run.screen();
        EXPECT_EQ(run.screen().find("THE CONTROLS"), std::string::npos) << c.key;
        EXPECT_NE(run.screen().find("you have found all the matching pairs."), std::string::npos);
        run.keys({"x"});
        ASSERT_TRUE(board_shown(run)) << c.key << "\n" << run.screen();
        EXPECT_EQ(run.screen().find("THE GAMEPLAY"), std::string::npos) << c.key;
    }
    // The help keys themselves turned nothing.
    for (const auto& row : tiles_shown(run)) EXPECT_EQ(row, std::string(16, '.'));
    run.keys({"q"});
    EXPECT_EQ(run.wait_exit(), 0);
}

TEST(GlyphpairMouse, ClicksTurnTilesOnTheGridOnly) {
    terminal_run run(program_path("glyphpair"), dealt());
    ASSERT_TRUE(board_shown(run)) << run.screen();

    // A click on tile (3, 7) moves the cursor there and turns it.
    run.keys({mouse_at(7, 8)});
    wait_for_only_face_up(run, 3, 7);
    run.keys({"l", "Enter"});
    wait_for_only_face_up(run, 3, 8);

    // The banner, each side of the box and the rows below: nothing moves.
    for (auto [y, x] : {std::pair{1, 4}, {3, 5}, {12, 8}, {7, 0}, {7, 17}, {14, 3}, {7, 30}})
        run.keys({mouse_at(y, x)});
    run.keys({"j", "Enter"});
    wait_for_only_face_up(run, 4, 8);

    // A press on its own only moves the cursor; the help page shows the event
    // was read before the board is looked at again.
    run.keys({mouse_at(9, 3, true)});
    run.keys({"!"});
    ASSERT_TRUE(run.wait_for("THE GAMEPLAY")) << run.screen();
    run.keys({"x"});
    ASSERT_TRUE(run.wait_for("└")) << run.screen();
    wait_for_only_face_up(run, 4, 8);
    run.keys({"Enter"});
    wait_for_only_face_up(run, 5, 2);

    run.keys({"Escape"});
    EXPECT_EQ(run.wait_exit(), 0);
}

// The board the fixed seed deals.
board dealt_board() {
    const tile_value plain[colour_count] = {};
    srandom(static_cast<unsigned>(dealt().seed));
    board b;
    deal_tiles(b, plain);
    return b;
}

// A button-1 press or release on tile `t`, in one of the two encodings of
// terminals that report both: the basic one, whose release names no button,
// and the one with decimal fields, whose release does.
struct mouse_encoding {
    const char* term;  // a terminal whose description asks for the encoding
    std::string (*report)(tile_pos t, bool press);
};

std::string basic_report(tile_pos t, bool press) {
    return std::string("\x1b[M") + static_cast<char>(press ? 32 : 35) + static_cast<char>(33 + 1 + t.col) +
           static_cast<char>(33 + 4 + t.row);
}

std::string decimal_report(tile_pos t, bool press) {
    return "\x1b[<0;" + std::to_string(1 + 1 + t.col) + ";" + std::to_string(1 + 4 + t.row) + (press ? "M" : "m");
}

// Every tile shown face up.
std::vector<tile_pos> face_up_tiles(terminal_run& run) {
    const auto grid = tiles_shown(run);
    std::vector<tile_pos> up;
    for (int8_t r = 0; r < 8; ++r)
        for (int8_t c = 0; c < 16; ++c)
            if (grid[r][c] != '.') up.push_back({r, c});
    return up;
}

std::string tile_list(const std::vector<tile_pos>& tiles) {
    std::string out;
    for (tile_pos t : tiles) out += "(" + std::to_string(t.row) + "," + std::to_string(t.col) + ") ";
    return out;
}

// Waits until exactly `tiles` show face up (in grid order), then lets the
// program read everything sent and looks again.
void expect_face_up(terminal_run& run, std::vector<tile_pos> tiles, const std::string& what) {
    std::sort(tiles.begin(), tiles.end(),
              [](tile_pos a, tile_pos b) { return a.row != b.row ? a.row < b.row : a.col < b.col; });
    EXPECT_TRUE(wait_until([&] { return face_up_tiles(run) == tiles; }))
        << what << ": " << tile_list(face_up_tiles(run)) << "\n" << run.screen();
    ASSERT_TRUE(run.settle()) << what;
    EXPECT_EQ(tile_list(face_up_tiles(run)), tile_list(tiles)) << what << "\n" << run.screen();
}

// The twin of tile `t` on `b`.
tile_pos twin_of(const board& b, tile_pos t) {
    for (int8_t r = 0; r < 8; ++r)
        for (int8_t c = 0; c < 16; ++c)
            if (tile_pos{r, c} != t && b.tiles[r][c] == b.tiles[t.row][t.col]) return {r, c};
    return no_tile;
}

TEST(GlyphpairMouse, EveryQuickClickCountsInBothEncodings) {
    const board b = dealt_board();
    // Three pairs of twins, and three tiles of three other pairs.
    const tile_pos a{0, 0}, one_write{0, 1}, held{0, 2};
    const tile_pos twin = twin_of(b, a), one_write_twin = twin_of(b, one_write), held_twin = twin_of(b, held);
    std::vector<tile_pos> pairs = {a, twin, one_write, one_write_twin, held, held_twin};
    ASSERT_EQ(std::count(pairs.begin(), pairs.end(), no_tile), 0);
    for (tile_pos t : pairs) ASSERT_EQ(std::count(pairs.begin(), pairs.end(), t), 1) << "three different pairs";
    std::vector<tile_pos> others;
    for (int8_t r = 0; r < 8; ++r)
        for (int8_t c = 0; c < 16; ++c) {
            const tile_value v = b.tiles[r][c];
            bool fresh = others.size() < 3;
            for (tile_pos t : pairs) fresh = fresh && b.tiles[t.row][t.col] != v;
            for (tile_pos o : others) fresh = fresh && b.tiles[o.row][o.col] != v;
            if (fresh) others.push_back({r, c});
        }
    ASSERT_EQ(others.size(), 3u);
    const tile_pos doubled = others[0], tripled = others[1], pressed = others[2];

    const mouse_encoding encodings[] = {{"screen", basic_report}, {"xterm-256color", decimal_report}};
    for (const mouse_encoding& enc : encodings) {
        SCOPED_TRACE(enc.term);
        terminal_run::options opts = dealt();
        opts.term = enc.term;
        terminal_run run(program_path("glyphpair"), opts);
        ASSERT_TRUE(board_shown(run)) << run.screen();
        const auto click = [&](tile_pos t) { return enc.report(t, true) + enc.report(t, false); };

        // Two clicks a tenth of a second apart on twins, which curses would
        // fold into one double click at the second: both turn, the pair is won.
        run.bytes(click(a));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        run.bytes(click(twin));
        expect_face_up(run, {a, twin}, "quick clicks on twins");

        // A double click, and a triple click, on a face-down tile turns it.
        run.bytes(click(doubled) + click(doubled));
        expect_face_up(run, {a, twin, doubled}, "a double click");
        run.bytes(click(tripled) + click(tripled) + click(tripled));
        expect_face_up(run, {a, twin, tripled}, "a triple click");

        // A press and a release that make no click (pressed on one tile,
        // released on another) and a lone press only move the cursor, which
        // the next Enter turns. Curses drops a release it saw no press for.
        run.bytes(enc.report(pressed, true) + enc.report(doubled, false));
        expect_face_up(run, {a, twin, tripled}, "pressed on one tile, released on another");
        run.keys({"Enter"});
        expect_face_up(run, {a, twin, doubled}, "Enter after the release");
        run.bytes(enc.report(pressed, true));
        expect_face_up(run, {a, twin, doubled}, "a lone press");
        run.keys({"Enter"});
        expect_face_up(run, {a, twin, pressed}, "Enter after a lone press");

        // Reports that arrive together, as over a slow link or while the game
        // is busy, still count one by one: two clicks in one write on twins
        // win the pair.
        run.bytes(click(one_write) + click(one_write_twin));
        expect_face_up(run, {a, twin, one_write, one_write_twin}, "two clicks in one write");
        // A click and the press of the next in one write: the click counts at
        // once, and the release that comes later completes the second.
        run.bytes(click(held) + enc.report(held_twin, true));
        expect_face_up(run, {a, twin, one_write, one_write_twin, held}, "a click and a press in one write");
        run.bytes(enc.report(held_twin, false));
        expect_face_up(run, {a, twin, one_write, one_write_twin, held, held_twin}, "the release after them");

        run.keys({"q"});
        EXPECT_EQ(run.wait_exit(), 0);
    }
}

// Curses switches its own reading of the mouse on again whenever a program
// resumes after a suspension; the game must go on reading the reports itself.
TEST(GlyphpairMouse, ClicksInOneWriteCountAfterASuspension) {
    const board b = dealt_board();
    const tile_pos a{0, 0}, twin = twin_of(b, a);
    const mouse_encoding encodings[] = {{"screen", basic_report}, {"xterm-256color", decimal_report}};
    for (const mouse_encoding& enc : encodings) {
        SCOPED_TRACE(enc.term);
        terminal_run::options opts = dealt();
        opts.term = enc.term;
        opts.job_shell = true;
        terminal_run run(program_path("glyphpair"), opts);
        ASSERT_TRUE(board_shown(run)) << run.screen();
        ASSERT_TRUE(run.settle());
        run.keys({"C-z"});
        ASSERT_TRUE(run.wait_stopped()) << run.screen();
        run.type("fg");
        run.keys({"Enter"});
        ASSERT_TRUE(board_shown(run)) << run.screen();
        ASSERT_TRUE(run.settle());

        const auto click = [&](tile_pos t) { return enc.report(t, true) + enc.report(t, false); };
        run.bytes(click(a) + click(twin));
        expect_face_up(run, {a, twin}, "two clicks in one write after fg");
        run.keys({"q"});
        ASSERT_TRUE(run.wait_for("Quit.")) << run.screen();
    }
}

// Keys that take the cursor from `from` to `to`.
std::vector<std::string> path(tile_pos from, tile_pos to) {
    std::vector<std::string> keys;
    for (int r = from.row; r < to.row; ++r) keys.push_back("j");
    for (int r = from.row; r > to.row; --r) keys.push_back("k");
    for (int c = from.col; c < to.col; ++c) keys.push_back("l");
    for (int c = from.col; c > to.col; --c) keys.push_back("h");
    return keys;
}

// Turns every pair of `b` through the program's keys, the cursor at `cursor`.
void win_by_keys(terminal_run& run, const board& b, tile_pos cursor) {
    bool done[8][16] = {};
    std::vector<std::string> batch;
    int pairs_in_batch = 0;
    for (int8_t r = 0; r < 8; ++r)
        for (int8_t c = 0; c < 16; ++c) {
            if (done[r][c]) continue;
            tile_pos twin = no_tile;
            for (int8_t i = 0; i < 8 && twin == no_tile; ++i)
                for (int8_t j = 0; j < 16; ++j)
                    if ((i != r || j != c) && b.tiles[i][j] == b.tiles[r][c]) twin = {i, j};
            ASSERT_NE(twin, no_tile);
            for (tile_pos t : {tile_pos{r, c}, twin}) {
                for (const auto& k : path(cursor, t)) batch.push_back(k);
                batch.push_back("Enter");
                cursor = t;
                done[t.row][t.col] = true;
            }
            if (++pairs_in_batch == 8) {
                run.keys(batch);
                batch.clear();
                pairs_in_batch = 0;
            }
        }
    if (!batch.empty()) run.keys(batch);
}

TEST(GlyphpairGame, WonByKeysThenAnotherThenDeclined) {
    const time_t before = time(nullptr);
    terminal_run run(program_path("glyphpair"));
    ASSERT_TRUE(board_shown(run)) << run.screen();
    const time_t after = time(nullptr);

    // The program seeds from the clock once; find its seed by the deal it made.
    const tile_value plain[colour_count] = {};
    std::vector<time_t> seeds;
    for (time_t s = before; s <= after; ++s) seeds.push_back(s);
    tile_pos cursor{0, 0};
    while (seeds.size() > 1 && cursor.col < 16) {
        run.keys(cursor.col == 0 ? std::vector<std::string>{"Enter"} : std::vector<std::string>{"l", "Enter"});
        std::string row;
        ASSERT_TRUE(wait_until([&] {
            row = tiles_shown(run)[0];
            return row[cursor.col] != '.';
        })) << run.screen();
        std::vector<time_t> left;
        for (time_t s : seeds) {
            srandom(static_cast<unsigned>(s % 4294967295));
            board b;
            deal_tiles(b, plain);
            if (static_cast<char>(b.tiles[0][cursor.col]) == row[cursor.col]) left.push_back(s);
        }
        seeds = left;
        ++cursor.col;
    }
    ASSERT_EQ(seeds.size(), 1u) << "no single seed explains the deal";
    if (cursor.col > 0) --cursor.col;

    srandom(static_cast<unsigned>(seeds[0] % 4294967295));
    board first, second;
    deal_tiles(first, plain);
    deal_tiles(second, plain);  // the generator goes on: the next game deals from where this one stopped

    win_by_keys(run, first, cursor);
    ASSERT_TRUE(run.wait_for("You solved it! Wanna play again?(y/n)", 20)) << run.screen();
    EXPECT_EQ(run.row(15).rfind("Time spent: 0: 0:", 0), 0u) << run.row(15);
    for (const auto& row : tiles_shown(run)) EXPECT_EQ(row.find('.'), std::string::npos) << "solved board stays";

    ASSERT_TRUE(run.wait_answerable());
    run.keys({"y"});
    ASSERT_TRUE(wait_until([&] { return run.screen().find("You solved it!") == std::string::npos; }));
    for (const auto& row : tiles_shown(run)) EXPECT_EQ(row, std::string(16, '.'));
    win_by_keys(run, second, {0, 0});
    ASSERT_TRUE(run.wait_for("You solved it! Wanna play again?(y/n)", 20)) << run.screen();

    ASSERT_TRUE(run.wait_answerable());
    run.keys({"n"});
    EXPECT_EQ(run.wait_exit(), 0);
    EXPECT_FALSE(run.wait_for("Quit.", 1)) << run.screen();
}

// A click on a help page or at the end question is one key, not a press and
// a release: it turns one page, and nothing of it reaches the board after.
TEST(GlyphpairMouse, AClickIsOneKeyOnThePagesAndAtTheQuestion) {
    const board b = dealt_board();
    // Over a tile of the board the page hides, which the click must not reach.
    const tile_pos under{5, 9};
    const mouse_encoding encodings[] = {{"screen", basic_report}, {"xterm-256color", decimal_report}};
    for (const mouse_encoding& enc : encodings) {
        SCOPED_TRACE(enc.term);
        terminal_run::options opts = dealt();
        opts.term = enc.term;
        terminal_run run(program_path("glyphpair"), opts);
        ASSERT_TRUE(board_shown(run)) << run.screen();
        const auto click = enc.report(under, true) + enc.report(under, false);

        run.keys({"?"});
        ASSERT_TRUE(run.wait_for("THE CONTROLS")) << run.screen();
        run.bytes(click);
        ASSERT_TRUE(run.wait_for("THE GAMEPLAY")) << run.screen();
        ASSERT_TRUE(run.settle());
        EXPECT_NE(run.screen().find("THE GAMEPLAY"), std::string::npos) << "one page per click\n" << run.screen();
        run.bytes(click);
        ASSERT_TRUE(board_shown(run)) << run.screen();
        run.keys({"Enter"});
        expect_face_up(run, {{0, 0}}, "Enter after the pages");

        run.keys({"Enter"});  // (0, 0) face down again
        win_by_keys(run, b, {0, 0});
        ASSERT_TRUE(run.wait_for("Wanna play again?", 20)) << run.screen();
        ASSERT_TRUE(run.wait_answerable());
        run.bytes(click);
        ASSERT_TRUE(run.wait_gone("You solved it!")) << run.screen();
        ASSERT_TRUE(board_shown(run)) << run.screen();
        run.keys({"Enter"});
        expect_face_up(run, {{0, 0}}, "Enter in the next game");
        run.keys({"q"});
        EXPECT_EQ(run.wait_exit(), 0);
    }
}

TEST(GlyphpairExit, QuitKeysAndInterrupt) {
    struct exit_case {
        const char* key;
        int status;
    };
    for (const exit_case c : {exit_case{"q", 0}, exit_case{"Escape", 0}, exit_case{"C-c", 2}}) {
        terminal_run run(program_path("glyphpair"));
        ASSERT_TRUE(board_shown(run)) << c.key << "\n" << run.screen();
        run.keys({"l", "Enter", c.key});
        EXPECT_EQ(run.wait_exit(), c.status) << c.key;
        EXPECT_TRUE(run.wait_for("Quit.", 2)) << c.key << "\n" << run.screen();
    }
}

TEST(GlyphpairExit, ArgumentIsRefusedAndTheGameRuns) {
    terminal_run::options opts;
    opts.args = {"--fast"};
    terminal_run run(program_path("glyphpair"), opts);
    ASSERT_TRUE(board_shown(run)) << run.screen();
    run.keys({"Enter"});
    wait_for_only_face_up(run, 0, 0);
    run.keys({"q"});
    EXPECT_EQ(run.wait_exit(), 0);
    EXPECT_TRUE(run.wait_for("game doesn't take arguments", 2)) << run.screen();
}

}  // namespace
