// The computer's moves. Room is judged by random walks rather than flood fills: they only read
// the board, cost at most len + wid + 1 cells each, and need no memory of their own.
#include "computer.h"

#include <cstdlib>

namespace coilclash {

namespace {

int distance(position a, position b) { return std::abs(a.row - b.row) + std::abs(a.col - b.col); }

bool on_grid_point(position p) {
    // Grid points lie on a slanted lattice, so a distant snake re-plans every few cells in either axis.
    return (p.col % 2 == 0 && p.row % 3 == 0) || (p.col % 2 != 0 && p.row % 3 == 2);
}

}  // namespace

position mirror_point(const arena& board, position p) { return {board.len - 1 - p.row, board.wid - 1 - p.col}; }

bool dangerous(const arena& board, snake s) {
    const position ahead = step(s.head(), s.dir);
    return !board.is_free(ahead) || !board.is_free(step(ahead, s.dir));
}

dir_list order_toward(position head, int8_t dir, position target) {
    const int8_t vt = target.row > head.row ? DIR_DOWN : DIR_UP;
    const int8_t ht = target.col > head.col ? DIR_RIGHT : DIR_LEFT;
    const int8_t va = opposite(vt);
    const int8_t ha = opposite(ht);
    const int ar = std::abs(target.row - head.row);
    const int ac = std::abs(target.col - head.col);
    // Close to a diagonal and already heading vertically: turning now keeps the approach zig-zag.
    if (ac > ar || (ac == ar && ar < 3 && dir == vt)) return {ht, vt, ha, va};
    return {vt, ht, ha, va};
}

position intercept_point(const arena& board, snake me, snake other) {
    bool behind = false;
    switch (other.dir) {
        case DIR_UP: behind = me.row > other.row; break;
        case DIR_DOWN: behind = me.row < other.row; break;
        case DIR_RIGHT: behind = me.col < other.col; break;
        case DIR_LEFT: behind = me.col > other.col; break;
    }
    position t = other.head();
    if (behind) return t;
    for (int i = 0; i < 10; ++i) {
        const position n = step(t, other.dir);
        if (!board.is_free(n)) break;
        if (t.row == me.row || t.col == me.col) break;
        t = n;
    }
    return t;
}

void safe_first(const arena& board, snake s, dir_list& list) {
    // A hand-made stable partition: std::stable_partition may allocate, and a move must not.
    dir_list safe{}, risky{};
    int n_safe = 0, n_risky = 0;
    for (int8_t d : list) {
        snake turned = s;
        turned.dir = d;
        if (dangerous(board, turned)) risky[n_risky++] = d;
        else safe[n_safe++] = d;
    }
    for (int i = 0; i < n_safe; ++i) list[i] = safe[i];
    for (int i = 0; i < n_risky; ++i) list[n_safe + i] = risky[i];
}

int probe(const arena& board, int8_t& turn_sign, position start, int d, bool randomised) {
    // Consecutive random walks turn in alternating senses, so they spread to both sides.
    if (randomised) turn_sign = static_cast<int8_t>(-turn_sign);
    const int cap = board.len + board.wid;
    int count = 0;
    int turns = 0;
    position p = start;
    for (;;) {
        const position n = step(p, d);
        if (!board.is_free(n)) return count;
        p = n;
        count += 1;
        if (count > cap) return count;
        int next;
        if (board.is_free(step(p, d))) {
            if (!randomised || random() % 10 != 0) continue;
            next = static_cast<int>(random() % 4);
        } else {
            next = randomised ? static_cast<int>(random() % 4) : d;
        }
        // Walking back over the cell just left would measure nothing: turn aside instead.
        if (next == opposite(d) && board.is_free(step(p, next))) next = (next + turn_sign + 4) % 4;
        if (turns == 4) return count;
        turns += 1;
        d = next;
    }
}

int64_t evaluate(const arena& board, int8_t& turn_sign, position start, int d) {
    const int cap = board.len + board.wid;
    const int8_t back = opposite(d);
    int64_t best = 0;
    int steps = 0;
    position p = start;
    while (steps < 5) {
        const position n = step(p, d);
        if (!board.is_free(n)) return best;
        p = n;
        steps += 1;
        int64_t m = 0;
        for (int e = 0; e < 4; ++e) {
            if (e == back) continue;
            for (int k = 0; k < 10; ++k) {
                const int length = probe(board, turn_sign, p, e, k % 2 == 1);
                if (length > m) m = length;
                // A walk as long as the cap finds room enough: no need to look further.
                if (m > cap) return m;
            }
        }
        if (m + steps > best) best = m + steps;
    }
    return best;
}

void rank_directions(const arena& board, int8_t& turn_sign, snake s, score_list& scores, dir_list& list) {
    list = {DIR_UP, DIR_RIGHT, DIR_DOWN, DIR_LEFT};
    for (int i = 0; i < 4; ++i) scores[i] = evaluate(board, turn_sign, s.head(), list[i]);
    // Bubble passes keep equal scores in order, so ties go to the lower direction number.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i < 3; ++i) {
            if (scores[i] < scores[i + 1]) {
                std::swap(scores[i], scores[i + 1]);
                std::swap(list[i], list[i + 1]);
                swapped = true;
            }
        }
    }
}

int8_t choose_mode(const arena& board, snake me, snake other, int room) {
    if (me.mode == MODE_MIRROR) {
        return distance(me.head(), mirror_point(board, other.head())) < 4 ? MODE_MIRROR : MODE_SURVIVE;
    }
    if (room < 20) return MODE_SURVIVE;
    return distance(me.head(), other.head()) >= 20 ? MODE_DISTANT : MODE_CHASE;
}

bool keeps_straight(const arena& board, snake me, int dr, int dc) {
    if (dangerous(board, me)) return false;
    const int dist = dr + dc;
    switch (me.mode) {
        case MODE_CHASE:
            // Stops at the first hit: the closer the heads, the likelier a turn toward the player.
            return !(random() % (dist + 1) == 0 || random() % (dc + 1) == 0 || random() % (dr + 1) == 0 ||
                     random() % (dist / 2 + 1) == 0);
        case MODE_DISTANT: return !on_grid_point(me.head());
        default: return false;
    }
}

int computer_move(arena& board, int8_t& turn_sign, snake* me, const snake& other) {
    const int dr = std::abs(me->row - other.row);
    const int dc = std::abs(me->col - other.col);
    const int dist = dr + dc;
    const int room = probe(board, turn_sign, me->head(), me->dir, true);
    const snake entry = *me;
    dir_list list = {DIR_UP, DIR_RIGHT, DIR_DOWN, DIR_LEFT};
    me->mode = choose_mode(board, *me, other, room);

    if (keeps_straight(board, *me, dr, dc)) {
        move_snake(board, me);
        return 1;
    }

    switch (me->mode) {
        case MODE_CHASE: {
            const position target = dist > 6 ? intercept_point(board, *me, other) : other.head();
            list = order_toward(me->head(), me->dir, target);
            safe_first(board, *me, list);
            break;
        }
        case MODE_SURVIVE: {
            score_list scores{};
            rank_directions(board, turn_sign, *me, scores, list);
            break;
        }
        case MODE_DISTANT:
            list = order_toward(me->head(), me->dir, mirror_point(board, other.head()));
            safe_first(board, *me, list);
            break;
        case MODE_MIRROR:
            list = order_toward(me->head(), me->dir, mirror_point(board, other.head()));
            break;
    }

    for (int8_t d : list) {
        if (!board.is_free(step(me->head(), d))) continue;
        // A planned move keeps the mode the move began with: a mirror game stays a mirror game.
        *me = entry;
        me->dir = d;
        move_snake(board, me);
        return 1;
    }
    return TRAPPED;
}

}  // namespace coilclash
