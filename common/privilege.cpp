// Extra ids: the shared table opened with them at start, then given up for good.
#include "privilege.h"

#include <grp.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "score_store.h"

namespace {

// The games an install makes set-group-id, each keeping the table named after it.
constexpr const char* score_keepers[] = {"arrowpip", "voltrider", "blockhop", "ropeheave"};

bool has_extra_ids() {
    uid_t ruid, euid, suid;
    gid_t rgid, egid, sgid;
    if (getresuid(&ruid, &euid, &suid) != 0 || getresgid(&rgid, &egid, &sgid) != 0) return true;
    return euid != ruid || suid != ruid || egid != rgid || sgid != rgid;
}

// Known from the file the kernel started, not from argv[0], which the player chooses.
std::string own_table() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof exe)) return "";
    std::string path(exe, static_cast<size_t>(n));
    // What the kernel says of a program file replaced while it runs (an upgrade).
    const std::string replaced = " (deleted)";
    if (path.size() > replaced.size() && path.compare(path.size() - replaced.size(), replaced.size(), replaced) == 0)
        path.resize(path.size() - replaced.size());
    const std::string name = path.substr(path.rfind('/') + 1);
    for (const char* keeper : score_keepers)
        if (name == keeper) return name + "_scores";
    return "";
}

}  // namespace

bool drop_extra_privileges() {
    uid_t ruid, euid, suid;
    gid_t rgid, egid, sgid;
    if (getresuid(&ruid, &euid, &suid) != 0 || getresgid(&rgid, &egid, &sgid) != 0) return false;
    // Groups first: once the user identity is given up, the group one can no longer be.
    if (euid == 0 && ruid != 0 && setgroups(1, &rgid) != 0) return false;
    if ((egid != rgid || sgid != rgid) && setresgid(rgid, rgid, rgid) != 0) return false;
    if ((euid != ruid || suid != ruid) && setresuid(ruid, ruid, ruid) != 0) return false;
    return !has_extra_ids();
}

void start_shared_scores_in(const char* shared_dir, const char* file_name) {
    if (has_extra_ids() && file_name != nullptr && *file_name != '\0') hold_shared_table(shared_dir, file_name);
    if (!drop_extra_privileges()) {
        fputs("Could not give up the games group.\n", stderr);
        exit(1);
    }
}

void start_shared_scores() { start_shared_scores_in(system_score_dir, has_extra_ids() ? own_table().c_str() : ""); }
