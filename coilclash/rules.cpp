// The arena, snake moves, game set-up, who loses and the match count.
// A move into a taken cell must end the program even in release builds, so asserts stay on here.
#undef NDEBUG
#include "rules.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "computer.h"

void (*before_fatal_error)() = nullptr;

namespace {

void prepare_for_fatal_error() {
    if (before_fatal_error != nullptr) before_fatal_error();
}

}  // namespace

void arena::allocate(int rows, int cols) {
    len = std::max(rows, 0);
    wid = std::max(cols, 0);
    cells.assign(static_cast<size_t>(len) * static_cast<size_t>(wid), 0);
}

position step(position p, int d) {
    switch (d) {
        case DIR_UP: return {p.row - 1, p.col};
        case DIR_RIGHT: return {p.row, p.col + 1};
        case DIR_DOWN: return {p.row + 1, p.col};
        case DIR_LEFT: return {p.row, p.col - 1};
        default: return p;
    }
}

int8_t opposite(int d) {
    if (d < 0 || d > 3) {
        prepare_for_fatal_error();
        abort();
    }
    return static_cast<int8_t>((d + 2) % 4);
}

bool blocked(const arena& board, snake s) { return !board.is_free(step(s.head(), s.dir)); }

void move_snake(arena& board, snake* s) {
    if (blocked(board, *s)) prepare_for_fatal_error();
    assert(!blocked(board,*s));
    const position next = step(s->head(), s->dir);
    s->row = next.row;
    s->col = next.col;
    board.cells[next.row * board.wid + next.col] = static_cast<int8_t>(s->owner + opposite(s->dir));
}

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
