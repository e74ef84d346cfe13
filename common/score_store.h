// The shared score files: where they live, how a result is merged in, how a
// table is read whole, and the stream left open on the rewritten table.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Open for reading on the table of the last successful merge; null after a failure.
extern FILE* score_stream;

// Directory shared by every player of the machine, tried after KM_SCORES_DIR.
extern const char* const system_score_dir;

// Longest player name a table line can hold (readers use a 60-byte buffer).
constexpr int max_name_length = 59;

// Result codes besides a table position.
constexpr int8_t score_not_entered = -1;
constexpr int8_t score_failed = -10;

// One line of a table.
struct score_entry {
    char name[max_name_length + 1];
    int64_t score;
};

struct score_location {
    std::string path;
    bool shared;  // the directory every player's games write into
};

// The files where a table may be, in the order the games try them and the
// menu shows them: the player's own score directory, the shared directory, the
// hidden file in the home directory. A null or empty directory is not a
// location; a path too long for the path buffer is left out rather than cut
// into the name of some other file.
std::vector<score_location> score_locations(const char* file_name, const char* own_dir, const char* shared_dir,
                                            const char* home);

// Merges `score` into the first usable location for `file_name`: $KM_SCORES_DIR,
// then the shared directory, then the hidden file in $HOME. Returns the new
// entry's 0-based position, score_not_entered or score_failed.
int8_t save_score(const char* file_name, int64_t score, int8_t table_size);

// The same search with the shared directory given, so tests never touch the machine's one.
int8_t save_score_in(const char* shared_dir, const char* file_name, int64_t score, int8_t table_size);

// Merges one result into the table at `path` with the process's own ids and
// reopens it on score_stream.
int8_t merge_score(const char* path, int64_t score, int8_t table_size);

// Opens everything a merge into `dir`/`file_name` needs (its directory, lock
// file, table and journal, each of which must be the directory's owner's;
// only a process that is that owner creates those that are missing), so that
// save_score_in can merge there through these descriptors after the process
// has given up the ids that let it open them. Creating and removing files in
// that directory is only possible now, so it also clears away what killed
// games left there. False, holding nothing, when the directory or a file
// cannot be used; the location then fails at the merge.
bool hold_shared_table(const char* dir, const char* file_name);

// Closes what hold_shared_table opened.
void release_shared_table();

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

// Entries from the start of `in` up to the first line that is not one, or
// until `most` have been taken.
std::vector<score_entry> read_scores(FILE* in, int most);

// The table at `path` as a whole table stood, never one caught in the middle
// of an in-place rewrite, read without its lock (which only the games may
// take). `st` describes the table file. False when there is no table there,
// it cannot be read, or it is no regular file with a single name.
bool read_whole_table(const char* path, int most, std::vector<score_entry>& entries, struct stat* st);
