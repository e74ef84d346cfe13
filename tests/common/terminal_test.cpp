// Key reads shared by every program: a resize is never taken for the player's key.
#include <gtest/gtest.h>

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

TEST(KeyReads, OnlyNoAndQuitDeclineAnotherGame) {
    for (int key : {'n', 'N', 'q'}) EXPECT_TRUE(declines_another_game(key)) << key;
    for (int key : {int{'y'}, int{'Y'}, int{'Q'}, int{' '}, int{'\n'}, 27, KEY_ENTER}) EXPECT_FALSE(declines_another_game(key)) << key;
}

}  // namespace
