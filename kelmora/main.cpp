// kelmora: the menu that starts the games, asks for the player's name and shows the score tables.
#include <cstdio>

#include "rules.h"
#include "screens.h"
#include "terminal.h"

int main(int argc, char**) {
    using namespace kelmora;
    if (!drop_extra_privileges()) {
        fputs("kelmora: cannot give up extra privileges\n", stderr);
        return 1;
    }
    // Window title, then icon name.
    printf("\033]2;%s\a", "KELMORA!");
    printf("\033]0;%s\a", "KELMORA!");
    refuse_arguments(argc);
    fflush(stdout);

    if (start_curses()) init_palette();
    enter_player_name();
    for (;;) {
        int k = list_menu(menu_items, "Main Menu");
        if (k == menu_high_scores) {
            browse_scores();
        } else if (k == menu_help) {
            list_menu(menu_help_text, "How to read help pages");
        } else if (k < 0) {
            quit_program();
        } else {
            launch_game(k);
        }
    }
}
