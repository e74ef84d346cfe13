// Set-group-id handling: the games group is the saved group id, and only the
// merge into the shared directory runs with it as the effective one.
#include "privilege.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool remembered = false;
gid_t games_gid = 0;

}  // namespace

void drop_group_privilege() {
    if (!remembered) {
        games_gid = getegid();
        remembered = true;
    }
    if (getegid() == getgid()) return;
    // setegid keeps the saved group, so the merge can take it back later.
    if (setegid(getgid()) != 0 || getegid() != getgid()) {
        fputs("Could not give up the games group.\n", stderr);
        exit(1);
    }
}

bool regain_group_privilege() {
    if (!remembered || games_gid == getgid()) return false;
    return setegid(games_gid) == 0;
}

shared_dir_access::shared_dir_access() {
    regain_group_privilege();
    // A player's umask of 077 would otherwise make a new table that nobody else can read.
    old_mask_ = umask(022);
}

shared_dir_access::~shared_dir_access() {
    umask(static_cast<mode_t>(old_mask_));
    drop_group_privilege();
}
