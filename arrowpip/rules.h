// The ring target, the flying letters and the ten shots of a game, over plain data.
#pragma once

#include <cstdint>

namespace arrowpip {

// Screen size the game is laid out for, and the target's centre cell.
constexpr int screen_rows = 24;
constexpr int screen_cols = 80;
constexpr int centre_row = 12;
constexpr int centre_col = 40;

constexpr int letter_count = 26;
constexpr int stopped_size = 10;
constexpr int8_t shot_countdown = 15;  // a shot letter stops when its countdown reaches 1
constexpr int key_escape = 27;

struct letter_record {
    char letter = 'A';
    float row = 0;
    float col = 0;
    float angle = 0;      // radians; dy = sin, dx = cos of it
    float speed = 1.0f;
    float dy = 0;
    float dx = 1.0f;
    int8_t countdown = 0; // 0 flying free, 15..2 shot, 1 stopped
    bool visible = true;
};

// One game's state, besides the target, which never changes.
struct game {
    letter_record letters[letter_count];  // 'A' at index 0
    letter_record stopped[stopped_size];  // copies of the stopped letters, in stopping order
    int8_t slots_left = stopped_size;     // stopped[stopped_size - slots_left] is the next free entry
    char message[32] = {};                // the bottom line's text
    uint8_t message_ticks = 0;            // screen updates it is still shown for
    int64_t score = 0;
    int8_t shots = 10;
    bool quit_armed = false;              // set by the game's first 'q'
};

// Distance of a cell from the centre; a column counts half as much as a row.
float centre_distance(int row, int col);

// The target's character at a cell: '$' (drawn in the ring colour), '#' or a blank.
char ring_char(int row, int col);

// Points of a letter stopping at a cell (the integer parts of its position).
int64_t letter_points(int row, int col);

// Fresh letters, shots and score for a new game.
void start_game(game& g);

// The 26 letters' random start: three random() draws per letter, 'A' first.
void reset_letters(game& g);

// Moves one letter one step, with its bounces; files it in g.stopped when it stops.
void step_letter(game& g, letter_record& L);

// Files a letter that has just stopped: its copy, its points and the message.
void stop_letter(game& g, letter_record& L);

// The key read in a tick (ERR, a letter, 'q', ESC, ...): fires at a letter and
// arms or ends quitting. True when the key ends the game.
bool take_key(game& g, int key);

// The end of a tick: true when ten letters have stopped (the game is over),
// otherwise every letter takes its step, 'A' first.
bool end_tick(game& g);

// One screen update of the message has passed.
void age_message(game& g);

}  // namespace arrowpip
