// The typing race's rules: pulls, scoring by level, home-row mode, the opponent's pace, winning and losing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "rules.h"

using namespace ropeheave;

namespace {

bool all_in(const char* queue, const char* table) {
    for (int i = 0; i < 9; ++i)
        if (std::strchr(table, queue[i]) == nullptr) return false;
    return std::strlen(queue) == 9;
}

race new_race(unsigned seed = 1) {
    srandom(seed);
    race r;
    fill_queue(r);
    start_game(r);
    return r;
}

TEST(TypingRace, ACorrectKeyPullsOneColumnAndScoresEightToTheLevel) {
    for (int level : {0, 1, 2, 5}) {
        SCOPED_TRACE(level);
        race r = new_race();
        r.level = static_cast<int8_t>(level);
        std::string before(r.queue);
        type_key(r, r.queue[0]);
        EXPECT_EQ(r.rope_pos, 23);
        EXPECT_EQ(r.score, int64_t{1} << (3 * level));
        EXPECT_EQ(std::string(r.queue).substr(0, 8), before.substr(1)) << "the queue shifts left";
        EXPECT_TRUE(all_in(r.queue, "7894561230"));
    }
}

TEST(TypingRace, AWrongKeyChangesNothing) {
    race r = new_race();
    race before = r;
    char wrong = r.queue[0] == '1' ? '2' : '1';
    for (int key : {int{wrong}, -1, int{'x'}, int{'q'}, 410}) type_key(r, key);
    EXPECT_EQ(r.rope_pos, before.rope_pos);
    EXPECT_EQ(r.score, 0);
    EXPECT_STREQ(r.queue, before.queue);
}

TEST(TypingRace, HomeRowModeRefillsOnceAndThenHIsAnOrdinaryKey) {
    race r = new_race(7);
    type_key(r, 'h');
    EXPECT_TRUE(r.home_row);
    EXPECT_TRUE(all_in(r.queue, "asdfghjkl;'"));
    EXPECT_EQ(r.rope_pos, 24);

    std::string queue(r.queue);
    char other = queue[0] == 'h' ? 'a' : 'h';
    if (other == 'a' && queue[0] == 'a') other = 's';
    type_key(r, other);
    EXPECT_EQ(std::string(r.queue), queue) << "a second 'h' refills nothing";

    type_key(r, r.queue[0]);
    EXPECT_EQ(r.rope_pos, 23);
    EXPECT_TRUE(all_in(r.queue, "asdfghjkl;'")) << "new characters come from the home row";

    start_game(r);
    EXPECT_TRUE(r.home_row) << "home-row mode outlives the game";
}

TEST(TypingRace, TheOpponentPullsOnceEveryPacePlusOneTicks) {
    struct pace_case {
        int level;
        int ticks_per_pull;
    };
    for (auto [level, per_pull] : {pace_case{0, 21}, {1, 11}, {2, 6}, {3, 3}, {4, 2}, {5, 1}, {9, 1}}) {
        SCOPED_TRACE(level);
        race r = new_race();
        r.level = static_cast<int8_t>(level);
        start_level(r);
        for (int t = 1; t < per_pull; ++t) end_tick(r);
        EXPECT_EQ(r.rope_pos, 24);
        end_tick(r);
        EXPECT_EQ(r.rope_pos, 25);
    }
}

TEST(TypingRace, IdleOnLevelZeroLosesAfter294Ticks) {
    race r = new_race();
    int ticks = 0;
    tick_end end = tick_end::playing;
    while (end == tick_end::playing && ticks < 1000) {
        end = end_tick(r);
        ++ticks;
    }
    EXPECT_EQ(end, tick_end::lost);
    EXPECT_EQ(ticks, 14 * 21);
    EXPECT_EQ(r.rope_pos, 38);
}

TEST(TypingRace, PullingToElevenWinsTheLevelAndTheScoreCarriesOver) {
    race r = new_race();
    for (int i = 0; i < 12; ++i) type_key(r, r.queue[0]);
    EXPECT_EQ(r.rope_pos, 12);
    EXPECT_EQ(end_tick(r), tick_end::playing);
    type_key(r, r.queue[0]);
    EXPECT_EQ(end_tick(r), tick_end::level_won);
    EXPECT_EQ(r.level, 1);
    EXPECT_EQ(r.rope_pos, 24);
    EXPECT_EQ(r.score, 13);
    EXPECT_EQ(r.pace, 10);
    EXPECT_EQ(r.ticks, 0);
}

TEST(TypingRace, APullAndACorrectKeyInOneTickCancelOut) {
    race r = new_race();
    r.level = 5;
    start_level(r);
    type_key(r, r.queue[0]);
    EXPECT_EQ(end_tick(r), tick_end::playing);
    EXPECT_EQ(r.rope_pos, 24);
}

}  // namespace
