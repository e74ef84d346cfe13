// The menu's screens: palette, border, backdrop, the list widget, the launcher,
// the name entry and the high-score browser.
#pragma once

#include <curses.h>

#include <cstdio>
#include <string>
#include <vector>

#include "rules.h"

namespace kelmora {

// Attributes picked by position modulo 4: pairs 1 to 4 with colours,
// { plain, standout, plain, plain } without.
extern attr_t palette[4];

// Sets up the four colour pairs (on black) and the palette.
void init_palette();

// Running bands of the four colours in reverse video around the whole screen.
void draw_screen_border();

// The whole screen of coloured '#' bands with the logo punched out as blanks.
void draw_backdrop();

// One pass of a list: border, title, the visible items, the selection.
void draw_list(const char* items, const char* title, const list_view& view);

// Lets the player choose from `items`; the chosen index, or -1 on 'q' or ESC.
int list_menu(const char* items, const char* title);

// Starts the program of main-menu item k through the shell and waits for it.
void launch_game(int k);

// The name-entry screen as it stands.
void draw_name_entry(const name_entry& name);

// Asks for the player's name and exports it as KM_PLAYER.
void enter_player_name();

// One table: border, title, the entries with the player's own highlighted.
void draw_score_table(const std::vector<score_entry>& table, const std::string& player);

// Shows one open table, closes it and waits for a key.
void show_score_file(FILE* file);

// Lists the score files and shows the chosen one from every location that has it.
void browse_scores();

// The same with the shared directory given, so tests never read the machine's one.
void browse_scores_in(const char* shared_dir);

}  // namespace kelmora
