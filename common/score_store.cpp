// The score store: finds a usable table and merges one result into it under a
// lock, replacing it whole or rewriting it in place through a journal, so a
// table is never half-written, lost, or read half-written.
#include "score_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifndef KM_SHARED_SCORE_DIR
#define KM_SHARED_SCORE_DIR "/var/games/kelmora"
#endif

FILE* score_stream = nullptr;
const char* const system_score_dir = KM_SHARED_SCORE_DIR;

namespace {

// A path is formed in a buffer of this size; one that does not fit is not tried
// at all, since a cut path would name some other file.
constexpr size_t path_buffer = 1000;

// How long a merge waits for another game's merge of the same table.
constexpr std::chrono::seconds lock_patience{5};

// No table comes near this size; a file that does is read no further.
constexpr size_t read_cap = 1 << 20;

// How often a reader starts again because a rewrite began or ended while it read.
constexpr int read_attempts = 100;

constexpr char lock_suffix[] = ".lock";
constexpr char journal_suffix[] = ".journal";
// Temporary files carry a mark of their own, so that clearing away those that
// killed games left can never take a player's "table.backup".
constexpr char temp_infix[] = ".tmp.";

// Shared tables the store creates: only the games group may open a lock file
// (anyone who can open it can hold it and shut every game out), and a table
// must be the group's to write in place.
constexpr mode_t shared_lock_mode = 0640;
constexpr mode_t shared_table_mode = 0664;

void replace_stream(FILE* next) {
    if (score_stream != nullptr) fclose(score_stream);
    score_stream = next;
}

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int skip_blanks(FILE* in) {
    int c;
    do c = getc(in);
    while (c != EOF && is_blank(c));
    return c;
}

// Opens without following a symbolic link or blocking on a FIFO, and keeps the
// descriptor only for a regular file, with a single name when `one_name`:
// writing through a second name would change some other file.
int open_regular_at(int dir, const char* name, int flags, mode_t mode, struct stat* st, bool one_name = true) {
    int fd = openat(dir, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode) || (one_name && st->st_nlink != 1)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

// Opens `name`, or creates it with exactly `mode` (whatever the umask) and the
// directory's group, so that the other players' games can use it too.
int open_or_create_at(int dir, const struct stat& dir_st, const char* name, int flags, mode_t mode, struct stat* st,
                      bool* created, bool one_name = true) {
    int fd = open_regular_at(dir, name, flags, 0, st, one_name);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = openat(dir, name, flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return errno == EEXIST ? open_regular_at(dir, name, flags, 0, st, one_name) : -1;
    *created = true;
    if (fstat(fd, st) == 0 && st->st_gid != dir_st.st_gid) {
        // Without it, a file a root-run game creates would be root's group's;
        // where the group cannot be given, the creator's stays.
        int given = fchown(fd, static_cast<uid_t>(-1), dir_st.st_gid);
        static_cast<void>(given);
    }
    if (fchmod(fd, mode) != 0 || fstat(fd, st) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// In the shared directory every file is the directory's owner's (the install
// makes them): a player who owned the table, its lock or its journal could edit
// the table, hold the lock or shut everyone out of the journal for good. So a
// file of anyone else's is refused, and a missing one is made only by a process
// that is the directory's owner, since a file another made would be the maker's.
int open_shared_file(int dir, const struct stat& dir_st, const char* name, int flags, mode_t mode, struct stat* st,
                     bool* created, bool one_name = true) {
    int fd = open_regular_at(dir, name, flags, 0, st, one_name);
    if (fd < 0 && errno == ENOENT && geteuid() == dir_st.st_uid)
        fd = open_or_create_at(dir, dir_st, name, flags, mode, st, created, one_name);
    if (fd >= 0 && st->st_uid != dir_st.st_uid) {
        close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

mode_t creation_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void sync_directory(int dir) {
    fsync(dir);  // some file systems cannot sync a directory; the change stands anyway
}

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Reads from the start, up to read_cap bytes.
bool read_all(int fd, std::string& out) {
    out.clear();
    char buf[8192];
    while (out.size() < read_cap) {
        ssize_t n = pread(fd, buf, sizeof buf, static_cast<off_t>(out.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return true;
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Makes the file hold `text` and nothing else, on disk.
bool write_whole(int fd, const std::string& text) {
    return write_all(fd, text) && ftruncate(fd, static_cast<off_t>(text.size())) == 0 && fsync(fd) == 0;
}

std::vector<score_entry> parse_scores(const std::string& text, int most) {
    if (text.empty()) return {};
    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (in == nullptr) return {};
    std::vector<score_entry> entries = read_scores(in, most);
    fclose(in);
    return entries;
}

void add_line(std::string& text, const char* name, int64_t score) {
    char line[max_name_length + 32];
    snprintf(line, sizeof line, "%s : %ld\n", name, static_cast<long>(score));
    text += line;
}

// The new table: `score` goes in front of the first old entry it is not
// below, and a full table drops its last entry.
std::string merged_table(const std::vector<score_entry>& table, int n, int64_t score, int* result) {
    const std::string name = player_name();
    const int k = static_cast<int>(table.size());
    std::string text;
    *result = score_not_entered;
    bool placed = false;
    for (int p = 0; p <= k && p < n - (placed ? 1 : 0); ++p) {
        // The newer of two equal scores ranks higher.
        if (!placed && (p >= k || table[p].score <= score)) {
            add_line(text, name.c_str(), score);
            *result = p;
            placed = true;
        }
        if (p < k && p < n - (placed ? 1 : 0)) add_line(text, table[p].name, table[p].score);
    }
    return text;
}

// A table rewritten in place changes under a reader with the next game's
// merge; the high-score screen reads this table once more after the trophy
// page, so it gets a copy of its own, or its marked line could point elsewhere.
// Without room for a copy, the screen reads the table itself.
bool keep_copy(const std::string& text, int table) {
    FILE* copy = tmpfile();
    if (copy != nullptr && fputs(text.c_str(), copy) >= 0 && fflush(copy) == 0) {
        rewind(copy);
        replace_stream(copy);
        return true;
    }
    if (copy != nullptr) fclose(copy);
    int fd = fcntl(table, F_DUPFD_CLOEXEC, 0);
    copy = fd >= 0 ? fdopen(fd, "r") : nullptr;
    if (copy == nullptr) {
        if (fd >= 0) close(fd);
        return false;
    }
    rewind(copy);
    replace_stream(copy);
    return true;
}

// ---- The journal of a table rewritten in place.
//
// It stays beside the table for good (a game that gave up its group can no
// longer create or remove files there) and says, in its first line, its
// generation, whether it holds a new table not yet copied into place, the
// length of that table and a sum over all of it. A journal that does not add
// up is one caught in the middle of its own rewrite; the table itself is only
// ever written while the journal holds the whole new one.

uint64_t sum_of(const std::string& text) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string journal_text(uint64_t generation, bool pending, const std::string& table) {
    char head[80];
    snprintf(head, sizeof head, "journal %llu %s %zu ", static_cast<unsigned long long>(generation),
             pending ? "pending" : "idle", table.size());
    char sum[24];
    snprintf(sum, sizeof sum, "%016llx\n", static_cast<unsigned long long>(sum_of(head + table)));
    return head + std::string(sum) + table;
}

struct journal_state {
    bool whole = false;
    bool pending = false;
    uint64_t generation = 0;
    std::string table;
};

journal_state parse_journal(const std::string& bytes) {
    journal_state j;
    size_t end = bytes.find('\n');
    if (end == std::string::npos || end > 80) return j;
    const std::string head = bytes.substr(0, end);
    unsigned long long generation = 0;
    char state[8] = {};
    size_t length = 0;
    int used = 0;
    if (sscanf(head.c_str(), "journal %llu %7s %zu %n", &generation, state, &length, &used) != 3 || used == 0)
        return j;
    const std::string sum = head.substr(static_cast<size_t>(used));
    if (sum.size() != 16 || sum.find_first_not_of("0123456789abcdef") != std::string::npos) return j;
    const bool pending = strcmp(state, "pending") == 0;
    if (!pending && strcmp(state, "idle") != 0) return j;
    std::string table = bytes.substr(end + 1);
    if (table.size() != length) return j;
    if (sum_of(head.substr(0, static_cast<size_t>(used)) + table) != strtoull(sum.c_str(), nullptr, 16)) return j;
    j.whole = true;
    j.pending = pending;
    j.generation = generation;
    j.table = std::move(table);
    return j;
}

// A generation no reader can have seen before, for a journal whose own one was lost.
uint64_t fresh_generation() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

// Whether a journal's owner could have put its table in place anyway: the
// table's owner, the process itself (which may write the table), or the
// directory's owner, who may replace any file there. Anyone else who owns a
// journal could have put any table they like in it.
bool journal_trusted(uid_t journal_owner, uid_t table_owner, uid_t dir_owner) {
    return journal_owner == table_owner || journal_owner == geteuid() || journal_owner == dir_owner;
}

// Under the table's lock: a pending journal is a copy a dead game did not
// finish. Only a `trusted` one is copied.
// Either way it ends idle. `generation` gets the journal's last one.
bool settle_journal(int table, int journal, bool trusted, uint64_t* generation) {
    std::string bytes;
    if (!read_all(journal, bytes)) return false;
    journal_state j = parse_journal(bytes);
    *generation = j.whole ? j.generation : fresh_generation();
    if (!j.whole || !j.pending) return true;
    if (trusted && !write_whole(table, j.table)) return false;
    return write_whole(journal, journal_text(++*generation, false, ""));
}

// The new table goes whole into the journal first, then into the table.
bool rewrite_in_place(int table, int journal, const std::string& text, uint64_t* generation) {
    if (!write_whole(journal, journal_text(++*generation, true, text))) return false;
    // A failure here leaves the journal pending: the next merge finishes the copy.
    if (!write_whole(table, text)) return false;
    // Left pending, it would only make the next merge copy the same table again.
    write_whole(journal, journal_text(++*generation, false, ""));
    return true;
}

// ---- Locks and the files a merge touches.

bool take_lock(int fd) {
    // A merge holds the lock for milliseconds. One held far longer belongs to a
    // game stopped in mid-merge (Ctrl-Z) or to mischief: rather than hang at the
    // end of a game, this location fails and the result goes to the next one.
    const auto give_up = std::chrono::steady_clock::now() + lock_patience;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= give_up) return false;
        usleep(10000);
    }
    return true;
}

// Released when it goes out of scope, and by the kernel when a game is killed,
// so nobody waits on a dead game.
class lock_hold {
public:
    explicit lock_hold(int fd) : fd_(take_lock(fd) ? fd : -1) {}
    ~lock_hold() {
        if (fd_ >= 0) flock(fd_, LOCK_UN);
    }
    lock_hold(const lock_hold&) = delete;
    lock_hold& operator=(const lock_hold&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

struct table_files {
    std::string name;  // the table's name in its directory
    int dir = -1, lock = -1, table = -1, journal = -1;

    table_files() = default;
    table_files(const table_files&) = delete;
    table_files& operator=(const table_files&) = delete;
    ~table_files() { close_all(); }
    void close_all() {
        for (int* fd : {&dir, &lock, &table, &journal}) {
            if (*fd >= 0) close(*fd);
            *fd = -1;
        }
    }
    std::string lock_name() const { return name + lock_suffix; }
    std::string journal_name() const { return name + journal_suffix; }
};

// A file is left beside the table by a game killed between creating it and
// renaming it; none is in use while we hold the lock, since only the lock's
// holder creates one. Only names with the temporary mark go: an
// administrator's "<table>.backup" or "<table>.202611" beside a shared table stays.
void clear_leftovers(int dir, const std::string& table) {
    auto six_letters = [](const std::string& s) {
        if (s.size() != 6) return false;
        for (char c : s)
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
        return true;
    };
    int copy = dup(dir);
    if (copy < 0) return;
    DIR* listing = fdopendir(copy);
    if (listing == nullptr) {
        close(copy);
        return;
    }
    rewinddir(listing);
    const size_t infix = strlen(temp_infix);
    while (struct dirent* e = readdir(listing)) {
        const std::string entry = e->d_name;
        if (entry.compare(0, table.size(), table) != 0) continue;
        const std::string rest = entry.substr(table.size());
        if (rest.compare(0, infix, temp_infix) == 0 && six_letters(rest.substr(infix))) unlinkat(dir, entry.c_str(), 0);
    }
    closedir(listing);
}

// Writes `text` to a new file beside the table with `mode`, synced; its name, or empty on failure.
std::string write_temporary(const char* path, const std::string& text, mode_t mode) {
    std::string temp = std::string(path) + temp_infix + "XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return "";
    // mkstemp makes 0600, which would shut every other player out of a shared table.
    bool ok = fchmod(fd, mode) == 0 && write_all(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(temp.c_str());
        return "";
    }
    return temp;
}

// A file size limit must fail the write, not kill the game with the player's score.
class no_file_size_signal {
public:
    no_file_size_signal() { old_ = signal(SIGXFSZ, SIG_IGN); }
    ~no_file_size_signal() { signal(SIGXFSZ, old_); }

private:
    void (*old_)(int);
};

// ---- The shared directory: every file opened at once, merged in place.

bool open_shared(const char* dir, const char* file_name, table_files& f) {
    f.close_all();
    f.name = file_name;
    f.dir = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat dir_st, st, table_st;
    if (f.dir < 0 || fstat(f.dir, &dir_st) != 0) {
        f.close_all();
        return false;
    }
    bool created = false;
    // A lock file is only ever locked, never written, so a second name does it no harm.
    f.lock = open_shared_file(f.dir, dir_st, f.lock_name().c_str(), O_RDONLY, shared_lock_mode, &st, &created, false);
    f.table = f.lock < 0 ? -1 : open_shared_file(f.dir, dir_st, file_name, O_RDWR, shared_table_mode, &table_st, &created);
    f.journal = f.table < 0 ? -1
                            : open_shared_file(f.dir, dir_st, f.journal_name().c_str(), O_RDWR,
                                               table_st.st_mode & 0666, &st, &created);
    if (f.journal < 0) {
        f.close_all();
        return false;
    }
    if (created) sync_directory(f.dir);
    // Only now can files be removed here; a merge under way elsewhere is left alone.
    if (flock(f.lock, LOCK_EX | LOCK_NB) == 0) {
        clear_leftovers(f.dir, f.name);
        flock(f.lock, LOCK_UN);
    }
    return true;
}

// Still the file the directory names, and by that one name only.
bool still_named(const table_files& f, const std::string& name, int fd, bool one_name, struct stat* st) {
    struct stat named;
    return fstat(fd, st) == 0 && fstatat(f.dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           same_file(*st, named) && (!one_name || st->st_nlink == 1);
}

int8_t merge_held(const table_files& f, int64_t score, int n) {
    replace_stream(nullptr);
    if (n < 1) return score_failed;
    no_file_size_signal keep_running;
    lock_hold lock(f.lock);
    if (!lock.held()) return score_failed;

    // Files opened long ago may since have been replaced, removed or given a
    // second name: merging into a stale one would lose the result.
    struct stat lock_st, table_st, journal_st, dir_st;
    if (!still_named(f, f.lock_name(), f.lock, false, &lock_st) || !still_named(f, f.name, f.table, true, &table_st) ||
        !still_named(f, f.journal_name(), f.journal, true, &journal_st) || fstat(f.dir, &dir_st) != 0)
        return score_failed;

    uint64_t generation = 0;
    const bool trusted = journal_trusted(journal_st.st_uid, table_st.st_uid, dir_st.st_uid);
    if (!settle_journal(f.table, f.journal, trusted, &generation)) return score_failed;
    std::string old_text;
    if (!read_all(f.table, old_text)) return score_failed;
    int result = score_not_entered;
    const std::string text = merged_table(parse_scores(old_text, n), n, score, &result);
    if (!rewrite_in_place(f.table, f.journal, text, &generation)) return score_failed;
    // The result is in: reported lost, it would be recorded again at the next
    // location. Without a copy the screen says it cannot show the table.
    keep_copy(text, f.table);
    return static_cast<int8_t>(result);
}

struct held_table {
    std::string dir;
    table_files files;
};

held_table held;

int8_t merge_shared(const char* dir, const char* file_name, int64_t score, int8_t table_size) {
    if (held.files.table >= 0 && held.dir == dir && held.files.name == file_name)
        return merge_held(held.files, score, table_size);
    // Nothing held: a process without extra ids opens the same files now.
    table_files f;
    if (!open_shared(dir, file_name, f)) {
        replace_stream(nullptr);
        return score_failed;
    }
    return merge_held(f, score, table_size);
}

void split_path(const char* path, std::string& dir, std::string& name) {
    std::string p(path);
    size_t slash = p.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
    name = slash == std::string::npos ? p : p.substr(slash + 1);
}

// Opens the path road's lock file, creating it readable by all: read access is
// enough for flock, so a lock file another player created stays usable.
int open_path_lock(const table_files& f) {
    struct stat st;
    int fd = open_regular_at(f.dir, f.lock_name().c_str(), O_RDONLY | O_CREAT, creation_mode(), &st, false);
    if (fd < 0) return -1;
    // A strict umask must not lock the other players of a table out of its lock.
    if (st.st_uid == geteuid() && (st.st_mode & 0444) != 0444) fchmod(fd, (st.st_mode & 07777) | 0444);
    return fd;
}

// Any location but the shared directory, with the player's own ids. The
// player's own table is replaced whole by a rename; a table of someone else's
// that the player may write, or one that has a journal (others may hold it
// open), is rewritten in place through the journal, so that it stays theirs.
int8_t merge_at_path(const char* path, int64_t score, int n) {
    replace_stream(nullptr);
    if (n < 1) return score_failed;
    no_file_size_signal keep_running;

    table_files f;
    std::string dir;
    split_path(path, dir, f.name);
    f.dir = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (f.dir < 0) return score_failed;
    f.lock = open_path_lock(f);
    if (f.lock < 0) return score_failed;
    lock_hold lock(f.lock);
    if (!lock.held()) return score_failed;
    clear_leftovers(f.dir, f.name);

    struct stat table_st = {}, journal_st = {};
    bool writable = true;
    f.table = open_regular_at(f.dir, f.name.c_str(), O_RDWR, 0, &table_st);
    if (f.table < 0 && (errno == EACCES || errno == EROFS)) {
        writable = false;
        f.table = open_regular_at(f.dir, f.name.c_str(), O_RDONLY, 0, &table_st);
    }
    if (f.table < 0 && errno != ENOENT) return score_failed;
    f.journal = open_regular_at(f.dir, f.journal_name().c_str(), O_RDWR, 0, &journal_st);
    if (f.journal < 0 && errno != ENOENT) return score_failed;

    uint64_t generation = 0;
    if (f.journal >= 0) {
        if (f.table < 0) {
            // The game that died had been making the very first table.
            f.table = openat(f.dir, f.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, creation_mode());
            if (f.table < 0 || fstat(f.table, &table_st) != 0) return score_failed;
        }
        struct stat dir_st;
        if (fstat(f.dir, &dir_st) != 0) return score_failed;
        const bool trusted = journal_trusted(journal_st.st_uid, table_st.st_uid, dir_st.st_uid);
        if (!writable || !settle_journal(f.table, f.journal, trusted, &generation)) return score_failed;
    }

    std::string old_text;
    if (f.table >= 0 && !read_all(f.table, old_text)) return score_failed;
    int result = score_not_entered;
    const std::string text = merged_table(parse_scores(old_text, n), n, score, &result);

    const bool in_place = f.table >= 0 && writable && (f.journal >= 0 || table_st.st_uid != geteuid());
    if (in_place) {
        if (f.journal < 0) {
            bool created = false;
            struct stat dir_st;
            if (fstat(f.dir, &dir_st) != 0) return score_failed;
            f.journal = open_or_create_at(f.dir, dir_st, f.journal_name().c_str(), O_RDWR, table_st.st_mode & 0666,
                                          &journal_st, &created);
            if (f.journal < 0) return score_failed;
            if (created) sync_directory(f.dir);
            generation = fresh_generation();
        }
        if (!rewrite_in_place(f.table, f.journal, text, &generation)) return score_failed;
        keep_copy(text, f.table);  // as in merge_held: the result is in either way
        return static_cast<int8_t>(result);
    }

    // Every byte is on disk before a rename makes the new table the table.
    const mode_t mode = f.table >= 0 ? (table_st.st_mode & 07777) : creation_mode();
    const std::string temp = write_temporary(path, text, mode);
    if (temp.empty()) return score_failed;
    if (rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        return score_failed;
    }
    sync_directory(f.dir);
    struct stat st;
    int rfd = open_regular_at(AT_FDCWD, path, O_RDONLY, 0, &st);
    FILE* in = rfd >= 0 ? fdopen(rfd, "r") : nullptr;
    if (in == nullptr) {
        if (rfd >= 0) close(rfd);
        return score_failed;
    }
    replace_stream(in);
    return static_cast<int8_t>(result);
}

// What a reader saw of a journal: whether there was one, whose, and its bytes.
struct journal_look {
    bool exists = false;
    uid_t owner = 0;
    ino_t inode = 0;
    std::string bytes;
    bool operator==(const journal_look& o) const {
        return exists == o.exists && (!exists || (inode == o.inode && bytes == o.bytes));
    }
};

bool look_at_journal(const std::string& path, journal_look& look) {
    look = journal_look{};
    struct stat st;
    int fd = open_regular_at(AT_FDCWD, path.c_str(), O_RDONLY, 0, &st);
    if (fd < 0) return errno == ENOENT;
    look.exists = true;
    look.owner = st.st_uid;
    look.inode = st.st_ino;
    bool ok = read_all(fd, look.bytes);
    close(fd);
    return ok;
}

}  // namespace

int read_entry(FILE* in, char name[max_name_length + 1], int64_t* score) {
    std::memset(name, 0, max_name_length + 1);
    int c = skip_blanks(in);
    if (c == EOF) return EOF;
    int len = 0;
    while (c != EOF && !is_blank(c) && len < max_name_length) {
        if (c == '\0') return 0;  // a name cannot hold a NUL: the line is not an entry
        name[len++] = static_cast<char>(c);
        c = getc(in);
    }
    if (c != EOF) ungetc(c, in);

    c = skip_blanks(in);
    if (c != ':') {
        if (c != EOF) ungetc(c, in);
        return 1;
    }
    c = skip_blanks(in);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = getc(in);
    }
    if (c == EOF || c < '0' || c > '9') {
        if (c != EOF) ungetc(c, in);
        return 1;
    }
    // Accumulated as a negative number, which reaches the most negative score too.
    int64_t value = 0;
    bool overflow = false;
    while (c != EOF && c >= '0' && c <= '9') {
        int digit = c - '0';
        if (value < (INT64_MIN + digit) / 10) overflow = true;
        else value = value * 10 - digit;
        c = getc(in);
    }
    if (!negative) {
        if (value == INT64_MIN) overflow = true;
        else value = -value;
    }
    while (c != EOF && is_blank(c)) c = getc(in);
    if (c != EOF) ungetc(c, in);
    if (overflow) return 1;
    *score = value;
    return 2;
}

std::vector<score_entry> read_scores(FILE* in, int most) {
    std::vector<score_entry> entries;
    rewind(in);
    score_entry e;
    while (static_cast<int>(entries.size()) < most) {
        std::memset(&e, 0, sizeof e);
        if (read_entry(in, e.name, &e.score) != 2) break;
        entries.push_back(e);
    }
    return entries;
}

uint8_t digit_count(int64_t value) {
    uint8_t count = 0;
    for (;;) {
        ++count;
        if (value >= -9 && value <= 9) return count;
        value /= 10;
    }
}

std::string safe_name(const std::string& raw) {
    std::string name;
    for (unsigned char c : raw) name += (c <= ' ' || c == 0x7f) ? '_' : static_cast<char>(c);
    if (name.size() > static_cast<size_t>(max_name_length)) {
        size_t cut = max_name_length;
        // Never keep half of a multi-byte character.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return name;
}

std::string player_name() {
    const char* candidates[] = {getenv("KM_PLAYER"), getenv("USER"), nullptr};
    struct passwd* pw = getpwuid(getuid());
    if (pw != nullptr) candidates[2] = pw->pw_name;
    for (const char* c : candidates) {
        if (c == nullptr) continue;
        std::string name = safe_name(c);
        if (!name.empty()) return name;
    }
    return "player";
}

std::vector<score_location> score_locations(const char* file_name, const char* own_dir, const char* shared_dir,
                                            const char* home) {
    std::vector<score_location> locations;
    auto add = [&](const char* format, const char* dir, bool shared) {
        // An empty directory would put the table in the root directory.
        if (dir == nullptr || *dir == '\0') return;
        char path[path_buffer];
        int length = snprintf(path, sizeof path, format, dir, file_name);
        if (length < 0 || static_cast<size_t>(length) >= sizeof path) return;
        locations.push_back({path, shared});
    };
    add("%s/%s", own_dir, false);
    add("%s/%s", shared_dir, true);
    add("%s/.%s", home, false);
    return locations;
}

int8_t merge_score(const char* path, int64_t score, int8_t table_size) { return merge_at_path(path, score, table_size); }

bool hold_shared_table(const char* dir, const char* file_name) {
    held.dir = dir;
    return open_shared(dir, file_name, held.files);
}

void release_shared_table() {
    held.files.close_all();
    held.dir.clear();
}

int8_t save_score_in(const char* shared_dir, const char* file_name, int64_t score, int8_t table_size) {
    replace_stream(nullptr);
    for (const score_location& l : score_locations(file_name, getenv("KM_SCORES_DIR"), shared_dir, getenv("HOME"))) {
        int8_t r = l.shared ? merge_shared(shared_dir, file_name, score, table_size)
                            : merge_at_path(l.path.c_str(), score, table_size);
        if (r != score_failed) return r;
    }
    return score_failed;
}

int8_t save_score(const char* file_name, int64_t score, int8_t table_size) {
    return save_score_in(system_score_dir, file_name, score, table_size);
}

bool read_whole_table(const char* path, int most, std::vector<score_entry>& entries, struct stat* st) {
    const std::string journal = std::string(path) + journal_suffix;
    std::string dir, name;
    split_path(path, dir, name);
    struct stat dir_st;
    if (stat(dir.c_str(), &dir_st) != 0) return false;
    for (int attempt = 0; attempt < read_attempts; ++attempt) {
        if (attempt > 0) usleep(1000);
        journal_look before, after;
        if (!look_at_journal(journal, before)) return false;
        int fd = open_regular_at(AT_FDCWD, path, O_RDONLY, 0, st);
        if (fd < 0) return false;
        if (before.exists) {
            // A rewrite under way (or one a dead game left): the journal holds the whole new table.
            journal_state j = parse_journal(before.bytes);
            if (j.whole && j.pending) {
                const bool trusted = journal_trusted(before.owner, st->st_uid, dir_st.st_uid);
                close(fd);
                if (trusted) {
                    entries = parse_scores(j.table, most);
                    return true;
                }
                // Not to be shown, and the table may be in the middle of a copy
                // that leaves the journal as it is: nothing read now is sure to be whole.
                continue;
            }
        }
        std::string text;
        bool ok = read_all(fd, text);
        close(fd);
        if (!ok || !look_at_journal(journal, after)) return false;
        // The journal as it was: no rewrite began or ended while the table was read.
        if (after == before) {
            entries = parse_scores(text, most);
            return true;
        }
    }
    return false;
}
