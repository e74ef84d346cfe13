// The letter target's rules without a terminal: rings, points, motion, bounces, stops and keys.
#include <gtest/gtest.h>

#include <array>

#include <vector>

#include <set>

#include <cmath>
#include <cstdlib>
#include <string>

#include "rules.h"

using namespace arrowpip;

namespace {

constexpr float pi = 3.14159265f;
constexpr int key_err = -1;  // what a read without a key returns

letter_record flying(float row, float col, float angle, int8_t countdown = 0) {
    letter_record L;
    L.row = row;
    L.col = col;
    L.angle = angle;
    L.dy = std::sin(angle);
    L.dx = std::cos(angle);
    L.countdown = countdown;
    return L;
}

// Angles compared on the circle.
float angle_gap(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 2 * pi);
    return std::min(d, 2 * pi - d);
}

TEST(ArrowpipPoints, DependOnTheCellsDistanceFromTheCentre) {
    struct {
        int row, col;
        int64_t points;
    } cases[] = {
        {12, 40, 1000000},  // the centre cell itself
        {12, 39, 4096},     // distance 0.5: the rest of the centre
        {12, 41, 4096},
        {11, 40, 2048},     // distance 1
        {12, 42, 2048},     // two columns count as one row
        {9, 40, 512},       // distance 3
        {0, 40, 1},         // distance 12, the last positive ring
        {12, 16, 1},
        {12, 15, 1},        // 12.5 still counts as 12
        {12, 14, -4},       // distance 13
        {7, 64, -4},        // 13.0 off the axes
        {12, 68, -8},       // distance 14
        {23, 79, -2048},    // the farthest corner, 22.4
        {23, 0, -2048},     // 22.8, the bottom left corner
        {8, 0, -512},       // 20.4, just below the box
    };
    for (const auto& c : cases)
        EXPECT_EQ(letter_points(c.row, c.col), c.points) << "cell (" << c.row << ", " << c.col << ")";
}

TEST(ArrowpipTarget, RingsAlternateOutToDistanceTwelve) {
    struct {
        int row, col;
        char ch;
    } cases[] = {
        {12, 40, '$'}, {10, 40, '$'},  // the disc of radius 3
        {9, 40, '#'},  {7, 40, '#'},  {6, 40, '$'}, {4, 40, '$'}, {3, 40, '#'},
        {1, 40, '#'},  {0, 40, ' '},  {23, 40, '#'},  // column 40: rows 1 to 23
        {12, 17, '#'}, {12, 16, ' '}, {12, 63, '#'}, {12, 64, ' '},  // row 12: columns 17 to 63
        {12, 35, '$'}, {12, 34, '#'},  // six columns make three rows
        {0, 0, ' '},   {23, 79, ' '},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ring_char(c.row, c.col), c.ch) << "cell (" << c.row << ", " << c.col << ")";
}

TEST(ArrowpipStart, LettersStartBelowTheBoxInWholeRadianDirections) {
    srandom(42);
    game g;
    g.score = 77;
    g.shots = 3;
    g.slots_left = 2;
    g.quit_armed = true;
    g.message_ticks = 9;
    start_game(g);
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(g.shots, 10);
    EXPECT_EQ(g.slots_left, 10);
    EXPECT_FALSE(g.quit_armed);
    EXPECT_EQ(g.message_ticks, 0);

    // Rows 8 to 12, columns 0 to 40, a whole number of radians below 2 pi,
    // moving one unit a step in that direction.
    std::set<int> rows, cols, angles;
    for (int i = 0; i < letter_count; ++i) {
        const letter_record& L = g.letters[i];
        SCOPED_TRACE(std::string(1, L.letter));
        EXPECT_EQ(L.letter, 'A' + i);
        EXPECT_EQ(L.row, std::floor(L.row));
        EXPECT_GE(L.row, 8);
        EXPECT_LE(L.row, 12);
        EXPECT_EQ(L.col, std::floor(L.col));
        EXPECT_GE(L.col, 0);
        EXPECT_LE(L.col, 40);
        EXPECT_EQ(L.angle, std::floor(L.angle));
        EXPECT_GE(L.angle, 0);
        EXPECT_LE(L.angle, 6);
        EXPECT_FLOAT_EQ(L.dy, std::sin(L.angle));
        EXPECT_FLOAT_EQ(L.dx, std::cos(L.angle));
        EXPECT_EQ(L.speed, 1.0f);
        EXPECT_EQ(L.countdown, 0);
        EXPECT_TRUE(L.visible);
        rows.insert(static_cast<int>(L.row));
        cols.insert(static_cast<int>(L.col));
        angles.insert(static_cast<int>(L.angle));
    }
    // 26 letters drawn at random do not all share a place or a direction.
    EXPECT_GT(rows.size(), 1u);
    EXPECT_GT(cols.size(), 1u);
    EXPECT_GT(angles.size(), 1u);
}

TEST(ArrowpipStart, TheSameSeedDealsTheSameStartAndAnotherSeedAnother) {
    auto start_with = [](unsigned seed) {
        srandom(seed);
        game g;
        start_game(g);
        std::vector<std::array<float, 3>> places;
        for (const letter_record& L : g.letters) places.push_back({L.row, L.col, L.angle});
        return places;
    };
    EXPECT_EQ(start_with(42), start_with(42));
    EXPECT_NE(start_with(42), start_with(43));
}

TEST(ArrowpipMotion, FreeLettersMoveOneUnitPerStepInTheirDirection) {
    game g;
    letter_record right = flying(10, 20, 0);
    letter_record left = flying(10, 20, 3);
    for (int i = 0; i < 5; ++i) {
        step_letter(g, right);
        step_letter(g, left);
    }
    EXPECT_FLOAT_EQ(right.row, 10);
    EXPECT_FLOAT_EQ(right.col, 25);
    EXPECT_NEAR(left.col, 20 + 5 * std::cos(3.0f), 1e-4);
    EXPECT_NEAR(left.row, 10 + 5 * std::sin(3.0f), 1e-4);
    EXPECT_LT(left.col, 15.1f);
}

TEST(ArrowpipMotion, EdgesAndTheInformationBoxReflectLetters) {
    struct {
        const char* edge;
        float row, col, angle;
        float new_row, new_col, new_angle;  // new_angle before the random turn of up to 0.1
    } cases[] = {
        {"right screen edge", 15, 79.2f, 0, 15, 78.2f, pi},
        {"left screen edge, restarting from column 1", 15, -0.5f, pi, 15, 2, 0},
        {"top screen edge, restarting from row 1", -0.3f, 40, 1.5f * pi, 2, 40, 0.5f * pi},
        {"bottom screen edge", 23, 40, 0.5f * pi, 22, 40, 1.5f * pi},
        {"both edges of the bottom right corner", 23.5f, 79.5f, 0.25f * pi, 23.5f - 0.7071f, 79.5f - 0.7071f,
         1.25f * pi},
        {"box's right edge, restarting from column 14", 5, 13.5f, pi, 5, 15, 0},
        {"box's bottom edge, restarting from row 8", 7.5f, 10, 1.5f * pi, 9, 10, 0.5f * pi},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        for (int seed = 1; seed <= 6; ++seed) {
            srandom(seed);
            game g;
            letter_record L = flying(c.row, c.col, c.angle);
            step_letter(g, L);
            EXPECT_NEAR(L.row, c.new_row, 1e-3);
            EXPECT_NEAR(L.col, c.new_col, 1e-3);
            float turn = angle_gap(L.angle, c.new_angle);
            EXPECT_TRUE(turn < 1e-4 || std::fabs(turn - 0.1f) < 1e-4) << "turned by " << turn;
            EXPECT_NEAR(L.dy, std::sin(L.angle), 1e-5);
            EXPECT_NEAR(L.dx, std::cos(L.angle), 1e-5);
            EXPECT_GE(L.angle, 0.0f) << "angles are kept non-negative";
        }
    }
}

TEST(ArrowpipMotion, ALetterCuttingTheBoxCornerIsPushedOut) {
    game g;
    // Up and left from just below and right of the corner: no edge is touched at the
    // start, so the push after the move keeps it out, here below the box.
    letter_record L = flying(7.2f, 13.5f, 1.25f * pi);
    step_letter(g, L);
    EXPECT_FLOAT_EQ(L.row, 8);
    EXPECT_NEAR(L.col, 13.5f - 0.7071f, 1e-3);
}

TEST(ArrowpipMotion, LettersStayOnScreenAndOutOfTheBoxWhateverTheirPaths) {
    // Every letter of many starts, over thousands of steps, stays on the 80x24 screen
    // and never gets past the box's reflecting edges (row 7, column 13). The one way
    // off screen: a step from exactly column 0 straight left lands on -1.0 (column 0
    // is not yet an edge), and the next step bounces it back.
    for (int seed = 1; seed <= 20; ++seed) {
        srandom(seed);
        game g;
        start_game(g);
        for (int step = 0; step < 2000; ++step) {
            end_tick(g);
            for (const letter_record& L : g.letters) {
                int r = static_cast<int>(L.row), c = static_cast<int>(L.col);
                ASSERT_TRUE(L.row >= -1 && r < 24 && L.col >= -1 && c < 80)
                    << L.letter << " at " << L.row << ", " << std::hexfloat << L.col << std::defaultfloat << " (seed " << seed << ", step " << step << ")";
                ASSERT_FALSE(r < 7 && c < 13)
                    << L.letter << " inside the box at " << L.row << ", " << L.col << " (seed " << seed << ")";
            }
        }
    }
}

TEST(ArrowpipMotion, AnUpwardLetterAtTheBoxTurnsBackOnRowSeven) {
    srandom(3);
    game g;
    letter_record L = flying(9.5f, 10, 1.5f * pi);
    float highest = L.row;
    for (int i = 0; i < 6; ++i) {
        step_letter(g, L);
        highest = std::min(highest, L.row);
    }
    EXPECT_FLOAT_EQ(highest, 7.5f);
    EXPECT_GT(L.dy, 0.9f) << "flying down again";
}

TEST(ArrowpipStop, AShotLetterStopsAfterFourteenStepsAndIsFiledWithItsPoints) {
    game g;
    g.letters[7] = flying(20.5f, 50.2f, 0);
    g.letters[7].letter = 'H';
    ASSERT_FALSE(take_key(g, 'h'));
    EXPECT_EQ(g.shots, 9);
    letter_record& L = g.letters[7];
    for (int i = 0; i < 13; ++i) step_letter(g, L);
    EXPECT_EQ(g.slots_left, 10);
    EXPECT_TRUE(L.visible);
    EXPECT_EQ(L.countdown, 2);

    step_letter(g, L);  // the 14th
    EXPECT_EQ(g.slots_left, 9);
    EXPECT_FALSE(L.visible) << "now drawn through its copy";
    const letter_record& copy = g.stopped[0];
    EXPECT_EQ(copy.letter, 'H');
    EXPECT_EQ(copy.countdown, 1);
    EXPECT_TRUE(copy.visible);
    EXPECT_FLOAT_EQ(copy.col, 64.2f);
    EXPECT_FLOAT_EQ(copy.row, 20.5f);
    EXPECT_EQ(g.score, letter_points(20, 64));
    EXPECT_EQ(g.score, -8) << "distance 14";
    EXPECT_EQ(g.message_ticks, 0) << "no message far out";

    for (int i = 0; i < 5; ++i) step_letter(g, L);
    EXPECT_FLOAT_EQ(L.col, 64.2f) << "a stopped letter never moves";
    EXPECT_EQ(g.slots_left, 9) << "nor stops twice";
    EXPECT_EQ(g.score, -8);
}

TEST(ArrowpipStop, StopsNearTheCentreEarnTheirMessage) {
    struct {
        float col;  // on row 12.5, one step to the right of this
        int64_t points;
        const char* message;
    } cases[] = {
        {39.2f, 1000000, "Bravo!"},
        {38.2f, 4096, "Very close..."},
        {40.2f, 4096, "Very close..."},
        {42.2f, 2048, "Very close..."},  // (12, 43): distance 1.5
        {43.2f, 1024, ""},               // (12, 44): distance 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.col);
        game g;
        letter_record L = flying(12.5f, c.col, 0, 2);
        step_letter(g, L);
        EXPECT_EQ(g.score, c.points);
        EXPECT_STREQ(g.message, c.message);
        EXPECT_EQ(g.message_ticks, c.message[0] ? 30 : 0);
    }
}

TEST(ArrowpipKeys, ALetterTakesOneShotWhicheverCaseAndOnlyOnce) {
    game g;
    EXPECT_FALSE(take_key(g, 'a'));
    EXPECT_EQ(g.letters[0].countdown, shot_countdown);
    EXPECT_EQ(g.shots, 9);
    EXPECT_FALSE(take_key(g, 'A'));
    EXPECT_EQ(g.shots, 9);
    EXPECT_EQ(g.letters[0].countdown, shot_countdown) << "typing again does not restart the countdown";
    EXPECT_FALSE(take_key(g, 'Z'));
    EXPECT_EQ(g.letters[25].countdown, shot_countdown);
    EXPECT_EQ(g.shots, 8);

    for (int key : std::initializer_list<int>{key_err, '?', '1', ' ', 0x109 /* a function key */}) EXPECT_FALSE(take_key(g, key)) << key;
    EXPECT_EQ(g.shots, 8);

    g.shots = 0;
    EXPECT_FALSE(take_key(g, 'b'));
    EXPECT_EQ(g.letters[1].countdown, 0) << "no shots left";
}

TEST(ArrowpipKeys, TheFirstQFiresAndWarnsTheSecondEndsTheGame) {
    game g;
    EXPECT_FALSE(take_key(g, 'q'));
    EXPECT_EQ(g.letters['Q' - 'A'].countdown, shot_countdown);
    EXPECT_EQ(g.shots, 9);
    EXPECT_STREQ(g.message, "ESC or Ctrl-C to quit.");
    EXPECT_EQ(g.message_ticks, 50);
    EXPECT_TRUE(g.quit_armed);
    EXPECT_FALSE(take_key(g, 'x'));
    EXPECT_TRUE(take_key(g, 'Q'));

    game fresh;
    EXPECT_TRUE(take_key(fresh, key_escape));
    EXPECT_EQ(fresh.message_ticks, 0) << "ESC ends without the hint";
    EXPECT_EQ(fresh.shots, 10);
}

TEST(ArrowpipTicks, TheGameEndsOnTheTickAfterTheTenthLetterStops) {
    srandom(9);
    game g;
    start_game(g);
    // Ten shots in one go (the loop allows one a tick; the rule does not care).
    for (char c = 'A'; c <= 'J'; ++c) take_key(g, c);
    EXPECT_EQ(g.shots, 0);
    EXPECT_FALSE(take_key(g, 'K'));
    EXPECT_EQ(g.letters['K' - 'A'].countdown, 0);
    int ticks = 0;
    while (!end_tick(g)) ++ticks;
    EXPECT_EQ(ticks, 14);
    EXPECT_EQ(g.slots_left, 0);
    int64_t sum = 0;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(g.stopped[i].letter, 'A' + i) << "filed in stopping order";
        sum += letter_points(static_cast<int>(g.stopped[i].row), static_cast<int>(g.stopped[i].col));
    }
    EXPECT_EQ(g.score, sum);
}

TEST(ArrowpipTicks, AMessageShowsForAsManyUpdatesAsItsTicks) {
    game g;
    take_key(g, 'q');
    int shown = 0;
    for (; g.message_ticks != 0 && shown < 100; ++shown) age_message(g);
    EXPECT_EQ(shown, 50);
    age_message(g);
    EXPECT_EQ(g.message_ticks, 0);
}

}  // namespace
