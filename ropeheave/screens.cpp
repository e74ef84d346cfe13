// Drawing of the typing race: the field, the help page and the end of a game.
#include "screens.h"

#include "draw.h"
#include "game_end.h"
#include "score_screen.h"
#include "score_store.h"
#include "terminal.h"

attr_t palette[4] = {0, 0, 0, 0};

namespace {


}  // namespace

// Four lines of 20 columns: "rope" over "heave".
const char* const banner_art =
    "._   _   _  /-)\n"
    "|   (_) |_) \\__\n"
    "|_  /-)  _  \\ / /-)\n"
    "| | \\__ (_|  v  \\__";

// The opponent grows a size with every level; the rope line sinks a row with him.
const char* const figure_art =
    " O                           O\n"
    "/|\\                         /|\\\n"
    "\\--\\-----------------------/--/\n"
    "/ \\                         / \\\n"
    "\\  \\                       /  /\f"
    "                             O\n"
    " O                          /| \\\n"
    "/|\\                        / | /\n"
    "\\--\\----------------------/---/\n"
    "/ \\                         / \\\n"
    "\\  \\                       /   \\\n"
    "                          /    /\f"
    "                              O\n"
    "                             /|\\\n"
    " O                          / | \\\n"
    "/|\\                        /  | /\n"
    "\\--\\----------------------/----/\n"
    "/ \\                          / \\\n"
    "\\  \\                        /   \\\n"
    "                           /    /\n"
    "                          /    /\f"
    "                             O\n"
    "                            /| \\\n"
    "                           / |  \\\n"
    " O                        /  |  /\n"
    "/|\\                      /   | /\n"
    "\\--\\--------------------/-----/\n"
    "/ \\                         / \\\n"
    "\\  \\                       /   \\\n"
    "                          /     \\\n"
    "                         /      /\n"
    "                        /      /";

void init_palette() {
    start_color();
    use_default_colors();
    init_pair(1, COLOR_BLACK, COLOR_CYAN);
    init_pair(2, COLOR_BLACK, COLOR_BLUE);
    init_pair(3, COLOR_WHITE, COLOR_BLUE);
    init_pair(4, COLOR_BLUE, COLOR_WHITE);
    for (int i = 0; i < 4; ++i) palette[i] = COLOR_PAIR(i + 1);
}

void draw_art(int8_t row, int8_t col, const char* text, int frame) {
    for (int skipped = 0; skipped < frame && *text != '\0'; ++text)
        if (*text == '\f') ++skipped;
    int8_t x = col;
    for (;; ++text) {
        ++x;
        if (*text == '\0' || *text == '\f') return;
        if (*text == '\n') {
            ++row;
            x = col;
        } else if (*text != ' ') {
            put(row, x, static_cast<unsigned char>(*text));
        }
    }
}

void draw_field(const race& r) {
    for (int y = 0; y < 24; ++y) put(y, 40, ACS_VLINE);
    const int x = r.rope_pos - 10;
    mvwprintw(stdscr, r.level + 15, x, "Type!");
    mvwprintw(stdscr, r.level + 16, x, "%s", r.queue);
    mvwprintw(stdscr, r.level + 11, x, "Score: %ld", static_cast<long>(r.score));
    mvwprintw(stdscr, r.level + 12, x, "Level: %d", r.level);
    draw_art(0, 0, banner_art, 0);
    draw_art(12, r.rope_pos, figure_art, r.level % 4);
}

void show_gameplay_help() {
    blocking_input();
    wattr_on(stdscr, palette[3], nullptr);
    erase_rect(0, 0, 24, 80);
    draw_frame(palette[2]);
    mvwprintw(stdscr, 1, 36, "GAME PLAY");
    mvwprintw(stdscr, 3, 1, "Type those things and beat the other guy");
    mvwprintw(stdscr, 4, 1, "Press h to use home-row mode.");
    wattr_off(stdscr, palette[3], nullptr);
    wrefresh(stdscr);
    wait_key(stdscr);
    paced_input();
}

bool finish_game(const race& r) {
    blocking_input();
    curs_set(1);
    game_end end;
    end.file_name = "ropeheave_scores";
    end.table_size = 11;
    end.screen.kind = score_screen::framed;
    end.screen.shown = 11;
    end.screen.failure_text = "Could not open score file";
    end.screen.score = r.score;
    end.screen.frame_attr = palette[2];
    end.screen.screen_attr = palette[3];
    end.question = "Wanna play again? (y/n)";
    end.question_attr = palette[2];
    end.question_row = 23;
    end.question_col = 29;
    return end_game(end);
}
