// Extra ids (a set-group-id game's games group): used once at start to open
// the shared table, then given up for good before anything the player
// controls is read.
#pragma once

// Gives up every set-user and set-group identity for good: real, effective
// and saved ids all become the real ones. False when that is impossible.
bool drop_extra_privileges();

// A game's start: a process with extra ids opens its shared table in the
// shared directory (hold_shared_table), the table named after the program the
// kernel started; then every extra id is given up for good. Ends the program
// when they cannot be given up, rather than run with them.
void start_shared_scores();

// The same with the shared directory and the table given, for the tests.
void start_shared_scores_in(const char* shared_dir, const char* file_name);
