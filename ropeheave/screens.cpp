// Drawing of the typing race: the field, the help page and the end of a game.
#include "screens.h"

#include <cstdio>

#include "draw.h"
#include "help_page.h"
#include "game_end.h"
#include "score_screen.h"
#include "score_store.h"
#include "terminal.h"

namespace ropeheave {

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
    draw_art(0, 0, banner_art, 0);
    draw_art(12, r.rope_pos, figure_art, r.level % 4);
    // The texts come last: from level 4 on the block lies on the figure's rows,
    // and a figure drawn over it would cover the end of a long score.
    const int x = r.rope_pos - 10;
    char line[32];
    put(r.level + 15, x, "Type!");
    put(r.level + 16, x, r.queue);
    snprintf(line, sizeof line, "Score: %ld", static_cast<long>(r.score));
    put(r.level + 11, x, line);
    snprintf(line, sizeof line, "Level: %d", r.level);
    put(r.level + 12, x, line);
}

void show_gameplay_help() {
    static const char* const lines[] = {
        "Type those things and beat the other guy",
        "Press h to use home-row mode.",
    };
    blocking_input();
    show_help_page(framed_page{.frame_attr = palette[2], .screen_attr = palette[3], .lines = lines});
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

}  // namespace ropeheave
