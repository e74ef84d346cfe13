// Plays the part of a set-group-id game's score store for the privilege test:
// opens its shared table and gives up the group as a game does at start,
// merges one result with the shared directory given, and reports the group ids.
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "privilege.h"
#include "score_store.h"

namespace {

void print_groups(const char* when) {
    gid_t real, effective, saved;
    getresgid(&real, &effective, &saved);
    printf("%s: real %u effective %u saved %u\n", when, static_cast<unsigned>(real),
           static_cast<unsigned>(effective), static_cast<unsigned>(saved));
}

}  // namespace

// A set-group-id process may not read its own /proc environment, where the
// sanitizers look for ASAN_OPTIONS; the leak check then fails at exit.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    if (argc != 4) {
        fputs("usage: install_score_probe shared_dir file_name score\n", stderr);
        return 64;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    start_shared_scores_in(argv[1], argv[2]);
    print_groups("after start");
    int result = save_score_in(argv[1], argv[2], strtoll(argv[3], nullptr, 10), 10);
    printf("result: %d\n", result);
    print_groups("after merge");
    return 0;
}
