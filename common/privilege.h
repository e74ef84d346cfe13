// The games group of a set-group-id install: held only while a result is
// merged into the shared score directory, never while anything else runs.
#pragma once

// Gives up the extra group: the effective group becomes the player's own,
// while the saved one keeps the games group for the merge. The first call
// remembers which group that was; later calls only drop it again. Ends the
// program when the group cannot be given up, rather than run with it.
void drop_group_privilege();

// Takes the games group back; false when there is none to take (an ordinary
// install) or the system refuses.
bool regain_group_privilege();

// Holds the games group for one scope, and a umask that keeps the tables it
// creates readable by every player.
class shared_dir_access {
public:
    shared_dir_access();
    ~shared_dir_access();
    shared_dir_access(const shared_dir_access&) = delete;
    shared_dir_access& operator=(const shared_dir_access&) = delete;

private:
    unsigned old_mask_;
};
