// Game set-up, the player's steering, who loses a step and the match count.
#include "rules.h"

#include <algorithm>
#include <cstdlib>

#include "computer.h"

namespace coilclash {

void new_game(duel& g) {
    snake& computer = g.computer;
    snake& player = g.player;
    // A player three wins ahead may meet the mirroring opponent, from then on for the rest of the match.
    if (computer.wins + 2 < player.wins && random() % 2 == 1) g.mirror_flag = 1;
    computer.mode = (g.mirror_flag == 1 && player.wins > computer.wins) ? MODE_MIRROR : MODE_DISTANT;

    computer.dir = DIR_UP;
    computer.owner = OWNER_COMPUTER;
    computer.row = g.board.len / 2;
    computer.col = g.board.wid * 9 / 20;
    computer.color = g.snake_colors[random() % 6];

    player.dir = DIR_UP;
    player.owner = OWNER_PLAYER;
    player.row = g.board.len / 2;
    player.col = g.board.wid * 11 / 20;
    // Without colours every entry is the same: then the first draw stands, or the redraw would never end.
    const bool any_other = std::any_of(std::begin(g.snake_colors), std::end(g.snake_colors),
                                       [&](int c) { return c != computer.color; });
    do player.color = g.snake_colors[random() % 6];
    while (any_other && player.color == computer.color);

    std::fill(g.board.cells.begin(), g.board.cells.end(), 0);
}

void steer(snake* s, int8_t d, const arena& board) {
    bool refused = false;
    switch (d) {
        case DIR_UP: refused = s->dir == DIR_DOWN || s->row == 0; break;
        case DIR_DOWN: refused = s->dir == DIR_UP || s->row == board.len - 1; break;
        case DIR_LEFT: refused = s->dir == DIR_RIGHT || s->col == 0; break;
        case DIR_RIGHT: refused = s->dir == DIR_LEFT || s->col == board.wid - 1; break;
        default: refused = true;
    }
    if (!refused) s->dir = d;
}

step_end play_step(duel& g) {
    // The player moves first, so a head-on race for one cell goes to the player.
    if (blocked(g.board, g.player)) return step_end::computer_won;
    move_snake(g.board, &g.player);
    if (computer_move(g.board, g.turn_sign, &g.computer, g.player) == TRAPPED) return step_end::player_won;
    return step_end::going;
}

void settle_match(duel& g) {
    int8_t& c = g.computer.wins;
    int8_t& p = g.player.wins;
    if (c == g.wins_needed || p == g.wins_needed) {
        c = 0;
        p = 0;
        g.mirror_flag = 0;
        g.wins_needed = 5;
    } else if (c == p && c == g.wins_needed - 1) {
        // A tie one short of the target: the match now needs two clear wins.
        g.wins_needed += 1;
    }
}

void record_win(duel& g, step_end winner) {
    if (winner == step_end::computer_won) g.computer.wins += 1;
    if (winner == step_end::player_won) g.player.wins += 1;
}

}  // namespace coilclash
