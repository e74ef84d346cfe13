// The menu's plain parts: lists, view arithmetic, name editing, backdrop geometry, table rows.
#include "rules.h"

#include <cstring>

namespace kelmora {

// Kept as arrays too, so their longest items can be checked at compile time.
namespace {

constexpr char menu_items_text[] =
    "See High Scores\n"
    "See help pages\n"
    "lurecast\n"
    "arrowpip\n"
    "voltrider\n"
    "crumbchase\n"
    "fistduel\n"
    "flipstone\n"
    "deepsalvo\n"
    "gemdrop\n"
    "ninebox\n"
    "fieldsweep\n"
    "tubelink\n"
    "hopboard\n"
    "burrowmaze\n"
    "coilclash\n"
    "tricell\n"
    "slidetile\n"
    "glyphpair\n"
    "ropeheave\n"
    "chestdig\n"
    "grudgerun\n"
    "scarletcell\n";

constexpr char help_text[] =
    "Enter any game you want, then press '?'\n"
    "or '!' to see the Controls and Gameplay \n"
    "for that game.\n"
    "Press 'q' to exit any game or menu.\n"
    "You can see the command line options for any game\n"
    "this way: hopboard -h\n";

constexpr char score_file_list_text[] =
    "tubelink_scores\n"
    "gemdrop_scores\n"
    "voltrider_scores\n"
    "crumbchase_scores\n"
    "lurecast_scores\n"
    "arrowpip_scores\n"
    "ropeheave_scores\n"
    "grudgerun_scores\n"
    "blockhop_scores\n";

}  // namespace

const char* const menu_items = menu_items_text;
const char* const menu_help_text = help_text;
const char* const score_file_list = score_file_list_text;

static_assert(longest_item(menu_items_text) < item_name_size);
static_assert(longest_item(help_text) < item_name_size);
static_assert(longest_item(score_file_list_text) < item_name_size);

char item_name[item_name_size];

// A game controller: two bumps on top, a wide body, two handles with a gap
// between them. Rows 3 to 5 run the full width: the name-entry screen writes
// its prompt and the name there.
const char* const logo_mask =
    "     #####                     #####     "
    "   ########                   ########   "
    " ####################################### "
    "#########################################"
    "#########################################"
    "#########################################"
    " ####################################### "
    " ###############         ############### "
    "  #############           #############  "
    "   ##########               ##########   "
    "     #####                     #####     ";

int item_count(const char* items) {
    int count = 0;
    for (; *items != '\0'; ++items)
        if (*items == '\n') ++count;
    return count;
}

int nth_item(const char* items, int k, char* out) {
    for (int skipped = 0; skipped < k; ++items)
        if (*items == '\n') ++skipped;
    int length = 0;
    while (items[length] != '\n') {
        out[length] = items[length];
        ++length;
    }
    out[length] = '\0';
    return length;
}

int view_rows(int lines) { return lines - 3; }

int title_column(int cols, int width) {
    // One column too wide would still centre on column 0, the division
    // rounding -1/2 up to 0, and the title would cover the border.
    if (width > cols) return -1;
    return (cols - width) / 2;
}

void bring_into_view(list_view& view, int rows) {
    if (view.sel > view.count - 1) view.sel = view.count - 1;
    if (view.sel < 0) view.sel = 0;
    if (view.sel < view.top) view.top = view.sel;
    if (view.sel >= view.top + rows) view.top = view.sel - rows + 1;
    if (view.top < 0) view.top = 0;
}

bool apply_move(list_view& view, list_move move) {
    switch (move) {
    case list_move::up:
        if (view.sel > 0) --view.sel;
        return false;
    case list_move::down:
        if (view.sel < view.count - 1) ++view.sel;
        return false;
    case list_move::choose:
    case list_move::leave:
        return true;
    case list_move::none:
        return false;
    }
    return false;
}

bool logo_cell(int r, int c) {
    if (r < 0 || r >= logo_rows || c < 0 || c >= logo_cols) return false;
    return logo_mask[r * logo_cols + c] == '#';
}

int backdrop_band(int row, int col, int lines) {
    int h = lines / 2;
    int d = row - h;
    return ((col + d * d / 10) / 10) % 4;
}

namespace {

bool continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void start_name(name_entry& name, const char* user) {
    std::memset(name.player_name, 0, sizeof name.player_name);
    name.length = 0;
    if (user == nullptr) return;
    constexpr int taken = typed_name_max - 1;
    int length = static_cast<int>(strnlen(user, taken));
    // A login name in UTF-8 must not lose half of its last character.
    if (user[length] != '\0' && continuation_byte(user[length]))
        while (length > 0 && continuation_byte(user[length])) --length;
    std::memcpy(name.player_name, user, length);
    name.length = length;
}

bool name_char(int c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

bool type_char(name_entry& name, int c) {
    if (!name_char(c) || name.length >= typed_name_max) return false;
    name.player_name[name.length++] = static_cast<char>(c);
    name.player_name[name.length] = '\0';
    return true;
}

void erase_last(name_entry& name) {
    while (name.length > 0) {
        char c = name.player_name[--name.length];
        name.player_name[name.length] = '\0';
        if (!continuation_byte(c)) return;
    }
}

int shown_width(const name_entry& name) {
    int width = 0;
    for (int i = 0; i < name.length; ++i)
        if (!continuation_byte(name.player_name[i])) ++width;
    return width;
}

bool name_ready(const name_entry& name) { return name.length > 0; }

bool apply_edit(name_entry& name, name_edit edit, int c) {
    switch (edit) {
    case name_edit::take:
        return name_ready(name);
    case name_edit::erase:
        erase_last(name);
        return false;
    case name_edit::type:
        type_char(name, c);
        return false;
    case name_edit::none:
        return false;
    }
    return false;
}

std::string score_text(int64_t score) { return std::to_string(score); }

int score_column(int cols, int64_t score) {
    // Counting the minus sign too keeps a negative score off the border.
    return cols - 1 - static_cast<int>(score_text(score).size());
}

std::string current_player() { return player_name(); }

bool is_players(const score_entry& entry, const std::string& player) {
    return !player.empty() && player == entry.name;
}

}  // namespace kelmora
