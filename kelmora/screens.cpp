// Drawing and waiting screens of the menu, and the launching of programs.
#include "screens.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "draw.h"
#include "input.h"
#include "score_store.h"
#include "terminal.h"

namespace kelmora {

attr_t palette[4] = {A_NORMAL, A_STANDOUT, A_NORMAL, A_NORMAL};

void init_palette() {
    start_color();
    // No default colours on purpose: the bands and titles are drawn on black.
    init_pair(1, COLOR_RED, COLOR_BLACK);
    init_pair(2, COLOR_MAGENTA, COLOR_BLACK);
    init_pair(3, COLOR_YELLOW, COLOR_BLACK);
    init_pair(4, COLOR_GREEN, COLOR_BLACK);
    for (int i = 0; i < 4; ++i) palette[i] = COLOR_PAIR(i + 1);
}

namespace {

// Names and titles may hold multi-byte characters.
void put_string(int row, int col, const char* text, attr_t attr) {
    put_clipped(row, col, COLS, text, attr);
}

// A blocking read; ERR comes back only in no-delay mode (the tests), where
// it means that no key is left.
int next_key(const redraw_fn& redraw) { return wait_key(stdscr, {}, redraw); }

}  // namespace

void draw_screen_border() {
    auto edge = [](int row, int col) { put(row, col, ' ' | A_REVERSE | palette[(row + col) % 4]); };
    for (int row = 0; row < LINES; ++row) {
        edge(row, COLS - 1);
        edge(row, 0);
    }
    for (int col = 0; col < COLS; ++col) {
        edge(LINES - 1, col);
        edge(0, col);
    }
}

void draw_backdrop() {
    for (int row = 0; row < LINES; ++row)
        for (int col = 0; col < COLS; ++col) put(row, col, '#' | palette[backdrop_band(row, col, LINES)]);
    for (int r = 0; r < logo_rows; ++r)
        for (int c = 0; c < logo_cols; ++c)
            if (logo_cell(r, c)) put(LINES / 2 - 5 + r, COLS / 2 - 21 + c, ' ');
}

void draw_list(const char* items, const char* title, const list_view& view) {
    werase(stdscr);
    draw_screen_border();
    const int title_at = title_column(COLS, static_cast<int>(strlen(title)));
    if (title_at >= 0) put_string(1, title_at, title, palette[1]);
    char item[item_name_size];
    for (int j = 0; j < view_rows(LINES) && view.top + j < view.count; ++j) {
        int row = 2 + j;
        int k = view.top + j;
        nth_item(items, k, item);
        put(row, 1, item, k == view.sel ? palette[row % 4] | A_STANDOUT : A_NORMAL);
    }
    wrefresh(stdscr);
}

int list_menu(const char* items, const char* title) {
    list_view view;
    view.count = item_count(items);
    auto pass = [&] {
        bring_into_view(view, view_rows(LINES));
        draw_list(items, title, view);
    };
    for (;;) {
        pass();
        int key = next_key(pass);
        if (key == ERR) return -1;
        list_move move = list_key(key);
        if (apply_move(view, move)) return move == list_move::choose ? view.sel : -1;
    }
}

namespace {

// Curses catches Ctrl-Z to leave its screen, and on continue takes the
// terminal back and repaints. While a game runs, the terminal is the game's:
// the menu stops and continues with it like any plain process, or it would
// paint itself over the game on `fg` and lose track of which screen it is on.
class stop_plainly {
public:
    stop_plainly() {
        sigaction(SIGTSTP, nullptr, &kept_);
        // Ignored (started without job control), it stays ignored.
        if (kept_.sa_handler == SIG_IGN) return;
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        sigemptyset(&plain.sa_mask);
        sigaction(SIGTSTP, &plain, nullptr);
    }
    ~stop_plainly() { sigaction(SIGTSTP, &kept_, nullptr); }
    stop_plainly(const stop_plainly&) = delete;
    stop_plainly& operator=(const stop_plainly&) = delete;

private:
    struct sigaction kept_ {};
};

}  // namespace

void launch_game(int k) {
    def_prog_mode();
    endwin();
    nth_item(menu_items, k, item_name);
    // Until the function ends, past reset_prog_mode: curses' handler keeps
    // the terminal modes it finds as the menu's own.
    stop_plainly while_the_game_runs;
    int status = system(item_name);
    // 127 is the shell's answer for a command it cannot find: try the current directory.
    if (status == 127 << 8) {
        char local[103];
        snprintf(local, sizeof local, "./%s", item_name);
        status = system(local);
    }
    // However the program ended, the menu comes back.
    static_cast<void>(status);
    reset_prog_mode();
    // The game drew over everything: the next refresh must repaint it all.
    clearok(curscr, TRUE);
}

void draw_name_entry(const name_entry& name) {
    werase(stdscr);
    draw_backdrop();
    put(LINES / 2 - 2, COLS / 2 - 15, "Enter a name, then press enter", A_NORMAL);
    put_string(LINES / 2, (COLS - shown_width(name)) / 2, name.player_name, A_NORMAL);
    wrefresh(stdscr);
}

void enter_player_name() {
    name_entry name;
    start_name(name, getenv("USER"));
    auto draw = [&] { draw_name_entry(name); };
    for (;;) {
        draw();
        int key = next_key(draw);
        if (key == ERR) return;
        if (apply_edit(name, name_key(key), key)) {
            setenv("KM_PLAYER", name.player_name, 1);
            return;
        }
    }
}

void draw_score_table(const std::vector<score_entry>& table, const std::string& player) {
    werase(stdscr);
    draw_screen_border();
    put_string(1, COLS / 2 - 6, "High Scores", palette[1]);
    for (size_t i = 0; i < table.size(); ++i) {
        int row = 2 + static_cast<int>(i);
        attr_t attr = is_players(table[i], player) ? palette[row % 4] : A_NORMAL;
        put_string(row, 1, table[i].name, attr);
        put_string(row, score_column(COLS, table[i].score), score_text(table[i].score).c_str(), attr);
    }
    wrefresh(stdscr);
}

namespace {

void show_table(const std::vector<score_entry>& table) {
    std::string player = current_player();
    draw_score_table(table, player);
    flushinp();
    next_key([&] { draw_score_table(table, player); });
}

}  // namespace

void show_score_file(FILE* file) {
    std::vector<score_entry> table = read_scores(file, table_rows_shown);
    fclose(file);
    show_table(table);
}

void browse_scores_in(const char* shared_dir) {
    for (;;) {
        int k = list_menu(score_file_list, "High Scores");
        if (k < 0) {
            werase(stdscr);
            return;
        }
        nth_item(score_file_list, k, item_name);
        // The same file reached twice (KM_SCORES_DIR naming the shared directory) is shown once.
        std::vector<std::pair<dev_t, ino_t>> shown;
        for (const score_location& l : score_locations(item_name, getenv("KM_SCORES_DIR"), shared_dir, getenv("HOME"))) {
            struct stat st;
            std::vector<score_entry> table;
            if (!read_whole_table(l.path.c_str(), table_rows_shown, table, &st)) continue;
            std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
            bool seen = false;
            for (const auto& s : shown) seen = seen || s == id;
            if (seen) continue;
            shown.push_back(id);
            show_table(table);
        }
    }
}

void browse_scores() { browse_scores_in(system_score_dir); }

}  // namespace kelmora
