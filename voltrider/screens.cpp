// Drawing of voltrider: the play screen, the explosion frames, stops, help pages and the end of a game.
#include "screens.h"

#include <unistd.h>

#include <vector>

#include "score_screen.h"
#include "score_store.h"
#include "draw.h"
#include "help_page.h"
#include "game_end.h"
#include "terminal.h"

namespace voltrider {

attr_t flash_colours[6] = {0, 0, 0, 0, 0, 0};
uint8_t flash_step = 0;
int8_t pse_hint_ticks = 100;

namespace {

// A big V, the rest of the name beside its point.
const char* const banner_rows[2] = {
    "\\  /",
    " \\/oltrider",
};

// Both waits for a key and both help pages end in half-delay play again.
void resume_play_input() { paced_input(); }

chtype vehicle_glyph(const game& g) {
    switch (look_of_vehicle(g)) {
    case vehicle_look::immune:
        return ACS_PLUS | flash_colours[flash_step];
    case vehicle_look::flying:
        return ACS_PLUS | A_BOLD;
    case vehicle_look::no_trail:
        return ACS_PLUS;
    case vehicle_look::plain:
        break;
    }
    return ACS_PLUS | A_STANDOUT;
}

chtype cell_glyph(int8_t value) {
    switch (value) {
    case CELL_FLIGHT:
        return '?';
    case CELL_NOTRAIL:
        return '&';
    case CELL_BOMB:
        return '8';
    case CELL_BONUS:
        return 'B';
    case CELL_STOP:
        return 'S';
    case CELL_IMMUNITY:
        return '%' | flash_colours[flash_step];
    case CELL_TRAIL:
        return ACS_PLUS;
    default:
        return ' ';
    }
}

}  // namespace

void init_flash_colours() {
    start_color();
    use_default_colors();
    const short colours[6] = {COLOR_BLUE, COLOR_GREEN, COLOR_YELLOW, COLOR_CYAN, COLOR_MAGENTA, COLOR_RED};
    for (short i = 0; i < 6; ++i) {
        init_pair(static_cast<short>(i + 1), colours[i], -1);
        flash_colours[i] = COLOR_PAIR(i + 1);
    }
}

void stop_flashing() {
    for (attr_t& a : flash_colours) a = 0;
    pse_hint_ticks = 0;
}

void draw_banner() {
    for (int i = 0; i < 2; ++i) put(1 + i, 0, banner_rows[i]);
}

void draw_status(const game& g) {
    put_format(1, 12, COLS, "Score:%ld", static_cast<long>(g.score));
    if (g.immunity != 0) put_format(2, 12, COLS, "Immunity:%d", g.immunity);
    else if (g.flight != 0) put_format(2, 12, COLS, "Flight:%d", g.flight);
    else if (g.no_trail != 0) put_format(2, 12, COLS, "NoTrail:%d", g.no_trail);
}

void draw_arena_border(const game& g) {
    const int top = arena_top - 1;
    const int bottom = g.arena_rows + arena_top;
    const int right = g.arena_cols + 1;
    draw_box(top, 0, bottom, right);
}

namespace {

void draw_cells(const game& g) {
    for (int r = 0; r < g.arena_rows; ++r) {
        for (int c = 0; c < g.arena_cols; ++c) {
            int8_t v = g.cell(r, c);
            chtype ch;
            if (v < 0) ch = ' ' | A_STANDOUT | flash_colours[(-v) % 6];
            else if (r == g.vehicle_row && c == g.vehicle_col) ch = vehicle_glyph(g);
            else ch = cell_glyph(v);
            put(r + arena_top, c + 1, ch);
        }
    }
}

void draw_hint(const game& g) { put(g.arena_rows + arena_top + 1, 0, "Suffering PSE? Press e."); }

// The play screen as it stands, for a terminal that changed size during a wait:
// it moves neither the flashing colour, nor the countdowns, nor the hint's draws on.
void redraw_play_screen(const game& g) {
    werase(stdscr);
    draw_banner();
    draw_status(g);
    draw_arena_border(g);
    draw_cells(g);
    if (pse_hint_ticks > 0) draw_hint(g);
}

}  // namespace

void draw_arena(game& g) {
    draw_arena_border(g);
    draw_cells(g);
    if (pse_hint_ticks > 0) {
        draw_hint(g);
        pse_hint_ticks -= 1;
    }
    // Explosions count down as they are shown, also where a small terminal clips them.
    advance_countdowns(g);
    flash_step = static_cast<uint8_t>((flash_step + 1) % 6);
}

void draw_tick(game& g) {
    werase(stdscr);
    draw_banner();
    draw_status(g);
    draw_arena(g);
    wrefresh(stdscr);
}

void show_explosion(game& g) {
    for (int frame = 0; frame < -COUNTDOWN_START; ++frame) {
        draw_arena(g);
        wrefresh(stdscr);
        usleep(100000);
    }
}

int wait_at_stop(const game& g) {
    auto draw_stop = [&] { put(g.vehicle_row + arena_top, g.vehicle_col + 1, ACS_PLUS | A_STANDOUT); };
    draw_stop();
    wrefresh(stdscr);
    blocking_input();
    // A stop may last long enough for the terminal to be resized: what a shrink lost is drawn again.
    int key = wait_key(stdscr, {}, [&] {
        redraw_play_screen(g);
        draw_stop();
        wrefresh(stdscr);
    });
    resume_play_input();
    return key;
}

namespace {

const help_line controls_lines[] = {
    {"hjkl/ARROW KEYS : Change direction"},
    {"q : Quit"},
    {"F1 & F2: Help on controls & gameplay"},
    {""},
    {"Press a key to continue"},
};
const banner_page controls_page{draw_banner, "  **** THE CONTROLS ****", controls_lines};

const help_line gameplay_lines[] = {
    {"You are controlling a strange vehicle which can "},
    {"survive explosions but cannot cross the trail it has"},
    {"left behind. Keep it running as much as you can."},
};
const banner_page gameplay_page{draw_banner, "     **** THE GAMEPLAY ****", gameplay_lines};

}  // namespace

void show_controls_help() {
    blocking_input();
    show_help_page(controls_page);
    resume_play_input();
    show_gameplay_help();
}

void show_gameplay_help() {
    blocking_input();
    show_help_page(gameplay_page);
    resume_play_input();
}

void show_game_over(game& g) {
    const char* const line = "Game over! Press a key to see the high scores:";
    blocking_input();
    draw_arena(g);
    wrefresh(stdscr);
    put(g.arena_rows + arena_top + 1, 0, line);
    wrefresh(stdscr);
    // A terminal shrunk and grown again has lost what lay outside the small size,
    // the question under the frame included: the whole screen is drawn anew.
    wait_after_play(stdscr, nullptr, [&] {
        redraw_play_screen(g);
        put(g.arena_rows + arena_top + 1, 0, line);
        wrefresh(stdscr);
    });
}

bool finish_game(const game& g) {
    game_end end;
    end.file_name = "voltrider_scores";
    end.table_size = 10;
    end.screen.kind = score_screen::printed;
    end.screen.shown = 10;
    end.screen.failure_text = "Couldn't open scorefile.";
    end.screen.score = g.score;
    end.screen.origin_row = 3;
    end.screen.draw_header = draw_banner;
    end.screen.trophy_attrs.assign(std::begin(flash_colours), std::end(flash_colours));
    end.question = "Game over! Wanna play again?(y/n)";
    // Every key but the three that decline deals again, the steering keys too.
    end.passed_over = nullptr;
    return end_game(end);
}

}  // namespace voltrider
