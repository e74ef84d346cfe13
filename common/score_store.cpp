// The score store: finds a usable table, merges one result into it under a
// lock and replaces it whole, so a table is never half-written or lost.
#include "score_store.h"

#include "privilege.h"

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
#include <vector>

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
// descriptor only when it is a regular file.
int open_regular(const char* path, int flags, mode_t mode, struct stat* st) {
    int fd = open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

mode_t creation_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void sync_directory_of(const char* path) {
    std::string dir(path);
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // some file systems cannot sync a directory; the rename stands anyway
    close(fd);
}

struct entry {
    char name[max_name_length + 1];
    int64_t score;
};

// Holds the table's lock for the whole merge: released when the descriptor closes,
// and by the kernel when a game is killed, so nobody waits on a dead game.
class table_lock {
public:
    explicit table_lock(const char* path) {
        std::string lock_path = std::string(path) + ".lock";
        struct stat st;
        // Read access is enough for flock, so a lock file another player created stays usable.
        fd_ = open_regular(lock_path.c_str(), O_RDONLY | O_CREAT, creation_mode(), &st);
        if (fd_ < 0) return;
        // A strict umask must not lock the other players of a shared table out of its lock.
        if (st.st_uid == geteuid() && (st.st_mode & 0444) != 0444) fchmod(fd_, (st.st_mode & 07777) | 0444);
        // A merge holds the lock for milliseconds. One held far longer belongs to a
        // game stopped in mid-merge (Ctrl-Z) or to mischief: rather than hang at the
        // end of a game, this location fails and the result goes to the next one.
        const auto give_up = std::chrono::steady_clock::now() + lock_patience;
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= give_up) {
                close(fd_);
                fd_ = -1;
                return;
            }
            usleep(10000);
        }
    }
    ~table_lock() {
        if (fd_ >= 0) close(fd_);
    }
    table_lock(const table_lock&) = delete;
    table_lock& operator=(const table_lock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A file size limit must fail the write, not kill the game with the player's score.
class no_file_size_signal {
public:
    no_file_size_signal() { old_ = signal(SIGXFSZ, SIG_IGN); }
    ~no_file_size_signal() { signal(SIGXFSZ, old_); }

private:
    void (*old_)(int);
};

struct table_file {
    bool exists = false;
    mode_t mode = 0;
    uid_t owner = 0;
};

// Reads the old table; false when it exists but cannot be read (it must then be left alone).
bool read_table(const char* path, int n, std::vector<entry>& table, table_file& file) {
    struct stat st;
    int fd = open_regular(path, O_RDONLY, 0, &st);
    if (fd < 0) {
        if (errno != ENOENT) return false;
        file.mode = creation_mode();
        return true;
    }
    file.exists = true;
    file.mode = st.st_mode & 07777;
    file.owner = st.st_uid;
    FILE* in = fdopen(fd, "r");
    if (in == nullptr) {
        close(fd);
        return false;
    }
    entry e;
    while (static_cast<int>(table.size()) < n) {
        std::memset(&e, 0, sizeof e);
        if (read_entry(in, e.name, &e.score) != 2) break;
        table.push_back(e);
    }
    bool ok = !ferror(in);
    fclose(in);
    return ok;
}

void add_line(std::string& text, const char* name, int64_t score) {
    char line[max_name_length + 32];
    snprintf(line, sizeof line, "%s : %ld\n", name, static_cast<long>(score));
    text += line;
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

// Rewrites the table's content inside the file itself, so it keeps its owner:
// a shared table stays root's and no player's to edit by hand.
bool write_in_place(const char* path, const std::string& text) {
    struct stat st;
    int fd = open_regular(path, O_WRONLY, 0, &st);
    if (fd < 0) return false;
    bool ok = write_all(fd, text) && ftruncate(fd, static_cast<off_t>(text.size())) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    return ok;
}

std::string journal_of(const char* path) { return std::string(path) + ".new"; }

// A journal holds a whole new table (it gets its name only once written and
// synced). One left behind means a game died while copying it into the table,
// which may then be torn: the copy is finished before anything else.
bool replay_journal(const char* path) {
    const std::string journal = journal_of(path);
    struct stat st;
    int fd = open_regular(journal.c_str(), O_RDONLY, 0, &st);
    if (fd < 0) return errno == ENOENT;
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = pread(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    if (done != text.size()) return false;
    if (write_in_place(path, text)) {
        unlink(journal.c_str());
    } else if (errno != ENOENT || rename(journal.c_str(), path) != 0) {
        return false;
    }
    sync_directory_of(path);
    return true;
}

// Writes `text` to a new file beside `path` with `mode`, synced; its name, or empty on failure.
std::string write_temporary(const char* path, const std::string& text, mode_t mode) {
    std::string temp = std::string(path) + ".XXXXXX";
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

int8_t merge_score(const char* path, int64_t score, int8_t table_size) {
    replace_stream(nullptr);
    const int n = table_size;
    if (n < 1) return score_failed;

    no_file_size_signal keep_running;
    table_lock lock(path);
    if (!lock.held()) return score_failed;

    if (!replay_journal(path)) return score_failed;

    std::vector<entry> table;
    table_file file;
    if (!read_table(path, n, table, file)) return score_failed;
    const int k = static_cast<int>(table.size());

    const std::string name = player_name();
    std::string text;
    int result = score_not_entered;
    bool placed = false;
    for (int p = 0; p <= k && p < n - (placed ? 1 : 0); ++p) {
        // The newer of two equal scores ranks higher.
        if (!placed && (p >= k || table[p].score <= score)) {
            add_line(text, name.c_str(), score);
            result = p;
            placed = true;
        }
        if (p < k && p < n - (placed ? 1 : 0)) add_line(text, table[p].name, table[p].score);
    }

    // Every byte is on disk before a rename makes the new table the table.
    const std::string temp = write_temporary(path, text, file.mode);
    if (temp.empty()) return score_failed;

    // A table of someone else's that we may write (a shared table, root's and the
    // games group's) is rewritten in place, through a journal, so that it stays
    // theirs; any other is replaced whole by the rename.
    const bool in_place = file.exists && file.owner != geteuid() && faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
    if (!in_place) {
        if (rename(temp.c_str(), path) != 0) {
            unlink(temp.c_str());
            return score_failed;
        }
    } else {
        const std::string journal = journal_of(path);
        if (rename(temp.c_str(), journal.c_str()) != 0) {
            unlink(temp.c_str());
            return score_failed;
        }
        sync_directory_of(path);
        if (write_in_place(path, text)) {
            unlink(journal.c_str());
        } else if (rename(journal.c_str(), path) != 0) {
            // The journal stays: the next merge of this table finishes the copy.
            return score_failed;
        }
    }
    sync_directory_of(path);

    // A table rewritten in place changes under a reader with the next game's
    // merge; the high-score screen reads this table once more after the trophy
    // page, so it gets a copy of its own, or its marked line could point elsewhere.
    if (in_place) {
        FILE* copy = tmpfile();
        if (copy != nullptr && fputs(text.c_str(), copy) >= 0 && fflush(copy) == 0) {
            rewind(copy);
            replace_stream(copy);
            return static_cast<int8_t>(result);
        }
        if (copy != nullptr) fclose(copy);
    }
    struct stat st;
    int rfd = open_regular(path, O_RDONLY, 0, &st);
    FILE* in = rfd >= 0 ? fdopen(rfd, "r") : nullptr;
    if (in == nullptr) {
        if (rfd >= 0) close(rfd);
        return score_failed;
    }
    replace_stream(in);
    return static_cast<int8_t>(result);
}

int8_t save_score_in(const char* shared_dir, const char* file_name, int64_t score, int8_t table_size) {
    char path[path_buffer];
    auto try_location = [&](const char* format, const char* dir) -> int8_t {
        int len = snprintf(path, sizeof path, format, dir, file_name);
        if (len < 0 || static_cast<size_t>(len) >= sizeof path) return score_failed;
        return merge_score(path, score, table_size);
    };

    // The player's own ids everywhere but the shared directory, so that a
    // KM_SCORES_DIR chosen by the player never writes with the games group.
    drop_group_privilege();
    // An empty KM_SCORES_DIR would put the table in the root directory.
    const char* own = getenv("KM_SCORES_DIR");
    if (own != nullptr && *own != '\0') {
        int8_t r = try_location("%s/%s", own);
        if (r != score_failed) return r;
    }
    int8_t r;
    {
        shared_dir_access games_group;
        r = try_location("%s/%s", shared_dir);
    }
    if (r != score_failed) return r;
    const char* home = getenv("HOME");
    if (home == nullptr || *home == '\0') return score_failed;
    return try_location("%s/.%s", home);
}

int8_t save_score(const char* file_name, int64_t score, int8_t table_size) {
    return save_score_in(system_score_dir, file_name, score, table_size);
}
