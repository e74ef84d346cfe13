// The menu's plain parts: its item lists, the list view, the name being typed,
// the backdrop's geometry and the player's entries of a table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "privilege.h"  // drop_extra_privileges, which the menu runs first
#include "score_store.h"

namespace kelmora {

// An item list: every item followed by a newline, nothing after the last one.
extern const char* const menu_items;
extern const char* const menu_help_text;
extern const char* const score_file_list;

// Main-menu entries before the program names.
constexpr int menu_high_scores = 0;
constexpr int menu_help = 1;

// Longest item of a list, so buffers can be sized at compile time.
constexpr int longest_item(const char* items) {
    int longest = 0, length = 0;
    for (; *items != '\0'; ++items) {
        if (*items == '\n') {
            if (length > longest) longest = length;
            length = 0;
        } else {
            ++length;
        }
    }
    return longest;
}

// Receives the chosen item: the program to start, or the score file to show.
constexpr int item_name_size = 64;
extern char item_name[item_name_size];

int item_count(const char* items);

// Copies item k into `out` with a NUL and returns its length. `k` must be an
// index the list has (one that list_menu returned for it).
int nth_item(const char* items, int k, char* out);

// Which of the list's items shows and which is selected.
struct list_view {
    int count = 0;
    int sel = 0;
    int top = 0;
};

// What a key means to a list.
enum class list_move { none, up, down, choose, leave };

// Rows the list can show on a screen of `lines` rows (rows 2 to lines - 2).
int view_rows(int lines);

// Column where a title of `width` characters starts, centred on a screen of
// `cols` columns; -1 when it is wider than the screen and is not drawn.
int title_column(int cols, int width);

// Keeps `sel` inside the list and moves `top` as little as puts `sel` in view.
void bring_into_view(list_view& view, int rows);

// Applies a key's meaning; true when the list is done (chosen or left).
bool apply_move(list_view& view, list_move move);

// The picture punched out of the backdrop: '#' marks a cell of it.
constexpr int logo_rows = 11;
constexpr int logo_cols = 41;
extern const char* const logo_mask;
bool logo_cell(int r, int c);

// Palette entry of backdrop cell (row, col): ten-column bands whose edges curve
// left with the square of the distance from the middle row.
int backdrop_band(int row, int col, int lines);

// The name typed on the name-entry screen.
constexpr int typed_name_max = 25;
struct name_entry {
    char player_name[typed_name_max + 1] = {};
    int length = 0;  // bytes
};

// Starts from the login name, at most 24 characters of it.
void start_name(name_entry& name, const char* user);

// Only lowercase letters and digits are typed into a name.
bool name_char(int c);

// Appends a lowercase letter or digit while the name has room; false when refused.
bool type_char(name_entry& name, int c);

// Removes the last character (all of its bytes); nothing on an empty name.
void erase_last(name_entry& name);

// Characters (not bytes) of the name, for centring it.
int shown_width(const name_entry& name);

// Enter takes the name only when there is one: an empty name would be written
// into score files as a line no reader can take back.
bool name_ready(const name_entry& name);

// What a key means to the name being typed.
enum class name_edit { none, take, erase, type };

// Applies a key's meaning (`c` is the character typed, for `type`); true when
// the name is taken.
bool apply_edit(name_entry& name, name_edit edit, int c);

// Rows the browser shows of one table.
constexpr int table_rows_shown = 10;

// The score as printed, and the column where it starts so that its last digit
// stands next to the right border.
std::string score_text(int64_t score);
int score_column(int cols, int64_t score);

// The name the player's entries carry, as the games write it.
std::string current_player();

bool is_players(const score_entry& entry, const std::string& player);

}  // namespace kelmora
