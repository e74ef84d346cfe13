// The shared score files: where they live, how a result is merged in, and the
// stream left open on the rewritten table for the high-score screen.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Open for reading on the table of the last successful merge; null after a failure.
extern FILE* score_stream;

// Directory shared by every player of the machine, tried after KM_SCORES_DIR.
extern const char* const system_score_dir;

// Longest player name a table line can hold (readers use a 60-byte buffer).
constexpr int max_name_length = 59;

// Result codes besides a table position.
constexpr int8_t score_not_entered = -1;
constexpr int8_t score_failed = -10;

// Merges `score` into the first usable location for `file_name`: $KM_SCORES_DIR,
// then the shared directory, then the hidden file in $HOME. Returns the new
// entry's 0-based position, score_not_entered or score_failed.
int8_t save_score(const char* file_name, int64_t score, int8_t table_size);

// The same search with the shared directory given, so tests never touch the machine's one.
int8_t save_score_in(const char* shared_dir, const char* file_name, int64_t score, int8_t table_size);

// Merges one result into the table at `path` and reopens it on score_stream.
int8_t merge_score(const char* path, int64_t score, int8_t table_size);

// Decimal digits of `value`, minus sign not counted.
uint8_t digit_count(int64_t value);

// The name a new entry is written under: KM_PLAYER, USER, the login name or
// "player", made one word a reader can take back.
std::string player_name();

// Makes `raw` a name the table format can hold; empty when nothing is left of it.
std::string safe_name(const std::string& raw);

// Reads one "name : score" entry the way every reader of a table does.
// Returns the number of items read (2 for a whole entry); `name` gets at most
// max_name_length bytes and a NUL. A score outside 64 bits reads as no score.
int read_entry(FILE* in, char name[max_name_length + 1], int64_t* score);
