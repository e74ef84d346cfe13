// Rules of the letter target: ring pattern, points, letter motion and shots.
#include "rules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace arrowpip {

namespace {

constexpr double pi = 3.14159265358979323846;

// The information box of rows 0..7 and columns 0..13 reflects letters like a screen edge.
constexpr int box_right = 13;
constexpr int box_bottom = 7;

void set_message(game& g, const char* text, uint8_t ticks) {
    std::snprintf(g.message, sizeof g.message, "%s", text);
    g.message_ticks = ticks;
}

void aim(letter_record& L) {
    L.dy = static_cast<float>(L.speed * std::sin(static_cast<double>(L.angle)));
    L.dx = static_cast<float>(L.speed * std::cos(static_cast<double>(L.angle)));
}

// Truncation toward zero, as the letters are drawn.
int cell(float v) { return static_cast<int>(v); }

}  // namespace

float centre_distance(int row, int col) {
    double dc = col - centre_col;
    double dr = row - centre_row;
    return static_cast<float>(std::sqrt(0.25 * dc * dc + dr * dr));
}

char ring_char(int row, int col) {
    float d = centre_distance(row, col) / 3.0f;
    if (d >= 4.0f) return ' ';
    return static_cast<int>(d) % 2 == 1 ? '#' : '$';
}

int64_t letter_points(int row, int col) {
    int d = static_cast<int>(centre_distance(row, col));
    if (d >= 13) return static_cast<int64_t>(-2 * std::exp2(d - 12));
    if (row == centre_row && col == centre_col) return 1000000;
    return static_cast<int64_t>(std::exp2(12 - d));
}

void start_game(game& g) {
    g.score = 0;
    g.message_ticks = 0;
    g.shots = 10;
    g.slots_left = stopped_size;
    reset_letters(g);
    g.quit_armed = false;
}

void reset_letters(game& g) {
    for (int i = 0; i < letter_count; ++i) {
        letter_record& L = g.letters[i];
        // The order of the three draws fixes the start for a given seed.
        L.row = static_cast<float>(random() % 5 + 8);
        L.col = static_cast<float>(random() % 41);
        // Whole radians on purpose: integer division of hundredths.
        L.angle = static_cast<float>((random() % 629) / 100);
        L.speed = 1.0f;
        aim(L);
        L.letter = static_cast<char>('A' + i);
        L.countdown = 0;
        L.visible = true;
    }
}

void step_letter(game& g, letter_record& L) {
    if (L.countdown == 1) return;
    if (L.countdown > 1) --L.countdown;

    float x = L.col;
    float y = L.row;
    bool bounced = false;
    if (x < 0 || x >= 79 || (cell(x) == box_right && y <= box_bottom)) {
        L.angle = static_cast<float>(pi - L.angle);
        bounced = true;
    }
    if (y < 0 || y >= 23 || (cell(y) == box_bottom && x <= box_right)) {
        L.angle = -L.angle;
        bounced = true;
    }

    // The move starts from inside the field, so one step cannot carry a letter further out.
    if (x < 0) x = 1;
    if (x >= 80) x = 79;
    if (y < 0) y = 1;
    bool pushed_right = false;
    if (y >= 24) {
        y = 23;
    } else if (cell(x) == box_right && y < box_bottom) {
        x = box_right + 1;
        pushed_right = true;
    }
    if (!pushed_right && x <= box_right && cell(y) == box_bottom) y = box_bottom + 1;

    while (L.angle < 0) L.angle = static_cast<float>(L.angle + 2 * pi);
    if (bounced) aim(L);

    L.row = y + L.dy;
    float new_col = x + L.dx;
    if (!bounced) {
        L.col = new_col;
    } else {
        L.col = new_col < 79 ? new_col : 79;
        if (L.row >= 23) L.row = 23;
        // A small random turn keeps letters from retracing the same path for ever.
        L.angle = static_cast<float>(L.angle + (random() % 3 - 1) * 0.1);
        aim(L);
    }

    if (L.col < box_right && L.row < box_bottom) {
        if (box_bottom - L.row > box_right - L.col) L.row = box_bottom + 1;
        else L.col = box_right + 1;
    }

    if (L.countdown == 1) stop_letter(g, L);
}

void stop_letter(game& g, letter_record& L) {
    // Ten shots fill the ten entries; an eleventh stop would be a broken shot count.
    if (g.slots_left <= 0) std::abort();
    g.stopped[stopped_size - g.slots_left] = L;
    g.slots_left -= 1;
    int r = cell(L.row);
    int c = cell(L.col);
    g.score += letter_points(r, c);
    L.visible = false;
    if (r == centre_row && c == centre_col) set_message(g, "Bravo!", 30);
    else if (centre_distance(r, c) < 2) set_message(g, "Very close...", 30);
}

bool take_key(game& g, int key) {
    if (key >= 'a' && key <= 'z') key = key - 'a' + 'A';
    if (key >= 'A' && key <= 'Z' && g.shots != 0) {
        letter_record& L = g.letters[key - 'A'];
        if (L.countdown == 0) {
            L.countdown = shot_countdown;
            g.shots -= 1;
        }
    }
    if (key == 'Q') {
        if (g.quit_armed) return true;
        set_message(g, "ESC or Ctrl-C to quit.", 50);
        g.quit_armed = true;
    }
    return key == key_escape;
}

bool end_tick(game& g) {
    if (g.slots_left == 0) return true;
    for (letter_record& L : g.letters) step_letter(g, L);
    return false;
}

void age_message(game& g) {
    if (g.message_ticks != 0) --g.message_ticks;
}

}  // namespace arrowpip
