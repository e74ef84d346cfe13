// The score store: merging, locations, names, malformed tables and failures that must lose nothing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "score_store.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\n";
    return s;
}

// The rest of what score_stream holds.
std::string stream_text() {
    std::string s;
    if (score_stream == nullptr) return "<none>";
    rewind(score_stream);
    int c;
    while ((c = getc(score_stream)) != EOF) s += static_cast<char>(c);
    return s;
}

// A journal as the store writes one: a dead game leaves one pending, and a
// player who owns one can write any journal he likes.
std::string journal(uint64_t generation, bool pending, const std::string& table) {
    char head[80];
    snprintf(head, sizeof head, "journal %llu %s %zu ", static_cast<unsigned long long>(generation),
             pending ? "pending" : "idle", table.size());
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : std::string(head) + table) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char sum[24];
    snprintf(sum, sizeof sum, "%016llx\n", static_cast<unsigned long long>(h));
    return head + std::string(sum) + table;
}

bool journal_is_idle(const std::string& path) { return read_file(path).find(" idle 0 ") != std::string::npos; }

std::string text_of(const std::vector<score_entry>& entries) {
    std::string s;
    for (const auto& e : entries) s += std::string(e.name) + " : " + std::to_string(e.score) + "\n";
    return s;
}

// What the menu's reader makes of the table at `path`; "<none>" when it shows nothing.
std::string whole_table(const std::string& path, int most = 100) {
    std::vector<score_entry> entries;
    struct stat st;
    if (!read_whole_table(path.c_str(), most, entries, &st)) return "<none>";
    return text_of(entries);
}

// A table as a merge leaves it: `n` lines "name : score", best first, and not a byte more.
bool strictly_whole(const std::string& text, size_t n) {
    std::istringstream in(text);
    std::string line;
    size_t count = 0;
    long long last = 0;
    while (std::getline(in, line)) {
        size_t sep = line.find(" : ");
        if (sep == 0 || sep == std::string::npos || line.find(' ') != sep) return false;
        const std::string digits = line.substr(sep + 3);
        if (digits.empty() || digits.find_first_not_of("-0123456789") != std::string::npos) return false;
        long long score = std::stoll(digits);
        if (count > 0 && score > last) return false;
        last = score;
        ++count;
    }
    return count == n && !text.empty() && text.back() == '\n';
}

// Files a merge makes for a moment beside `table` (and those of earlier versions).
std::vector<std::string> temporary_files(const std::string& dir, const std::string& table) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string name = e.path().filename();
        if (name.rfind(table + ".", 0) != 0) continue;
        std::string rest = name.substr(table.size() + 1);
        if (rest != "lock" && rest != "journal") found.push_back(name);
    }
    return found;
}

// Runs `work` in a child that stops at the entry and the exit of every system
// call; `at_stop` runs at each stop while the child is frozen there, and
// returns false to kill it on the spot. Returns the number of stops.
int step_through(const std::function<void()>& work, const std::function<bool(int)>& at_stop) {
    pid_t pid = fork();
    if (pid == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int stops = 0;
    long signo = 0;
    for (;;) {
        ptrace(PTRACE_SYSCALL, pid, nullptr, signo);
        signo = 0;
        if (waitpid(pid, &status, 0) != pid || WIFEXITED(status) || WIFSIGNALED(status)) return stops;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            signo = WSTOPSIG(status);
            continue;
        }
        if (!at_stop(stops++)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return stops;
        }
    }
}

class ScoreStore : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/km-store-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        table = dir + "/table";
        saved_env = {{"KM_SCORES_DIR", ""}, {"KM_PLAYER", ""}, {"USER", ""}, {"HOME", ""}};
        for (auto& [k, v] : saved_env) {
            const char* old = getenv(k.c_str());
            v = old ? old : std::string("\x01unset");
        }
        unsetenv("KM_SCORES_DIR");
        setenv("KM_PLAYER", "alice", 1);
        setenv("USER", "bob", 1);
        unsetenv("HOME");
    }
    void TearDown() override {
        release_shared_table();
        for (auto& [k, v] : saved_env) {
            if (v == "\x01unset") unsetenv(k.c_str());
            else setenv(k.c_str(), v.c_str(), 1);
        }
        if (score_stream) {
            fclose(score_stream);
            score_stream = nullptr;
        }
        fs::remove_all(dir);
    }
    std::string dir, table;
    std::vector<std::pair<std::string, std::string>> saved_env;
};

struct merge_case {
    const char* what;
    std::vector<std::string> before;
    int64_t score;
    int n;
    int expected;
    std::vector<std::string> after;
};

TEST_F(ScoreStore, MergesIntoTheTableByTheRules) {
    std::vector<std::string> eleven;
    for (int i = 0; i < 11; ++i) eleven.push_back("p" + std::to_string(i) + " : " + std::to_string(1100 - 100 * i));
    std::vector<merge_case> cases = {
        {"first entry ever", {}, 42, 11, 0, {"alice : 42"}},
        {"zero into an empty table", {}, 0, 11, 0, {"alice : 0"}},
        {"negative scores are ordinary", {"x : -5"}, -7, 11, 1, {"x : -5", "alice : -7"}},
        {"full table all greater", eleven, 50, 11, -1, eleven},
        {"the newer of two equal scores ranks higher",
         {"a : 30", "b : 20", "c : 10"}, 20, 11, 1, {"a : 30", "alice : 20", "b : 20", "c : 10"}},
        {"equal to position 2 under a greater one",
         {"a : 30", "b : 20", "c : 10"}, 10, 11, 2, {"a : 30", "b : 20", "alice : 10", "c : 10"}},
        {"a full table drops its last entry",
         {"a : 3", "b : 2", "c : 1"}, 5, 3, 0, {"alice : 5", "a : 3", "b : 2"}},
        {"entering at the last place of a full table", {"a : 3", "b : 2", "c : 1"}, 1, 3, 2,
         {"a : 3", "b : 2", "alice : 1"}},
        {"more lines than the table holds", {"a : 9", "b : 8", "c : 7", "d : 6"}, 1, 2, -1, {"a : 9", "b : 8"}},
        {"a table of one", {"a : 9"}, 10, 1, 0, {"alice : 10"}},
        {"64-bit scores", {"a : 9223372036854775807"}, -9223372036854775807 - 1, 11, 1,
         {"a : 9223372036854775807", "alice : -9223372036854775808"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(table);
        if (!c.before.empty()) write_file(table, lines(c.before));
        EXPECT_EQ(merge_score(table.c_str(), c.score, static_cast<int8_t>(c.n)), c.expected);
        EXPECT_EQ(read_file(table), lines(c.after));
        EXPECT_EQ(stream_text(), lines(c.after)) << "score_stream reads the rewritten table";
    }
}

TEST_F(ScoreStore, ReadsEveryMalformedTableUpToItsFirstBadLine) {
    const std::string long_name(70, 'n');
    struct bad_case {
        const char* what;
        std::string file;
        std::vector<std::string> kept;
    };
    std::vector<bad_case> cases = {
        {"empty file", "", {}},
        {"blank lines only", "\n\n\n", {}},
        {"overlong name", "a : 5\n" + long_name + " : 4\nb : 3\n", {"a : 5"}},
        {"not a number", "a : 5\nb : many\nc : 3\n", {"a : 5"}},
        {"a number beyond 64 bits", "a : 5\nb : 99999999999999999999\nc : 3\n", {"a : 5"}},
        {"no separator", "a : 5\nb 4\nc : 3\n", {"a : 5"}},
        {"a NUL byte in a name", std::string("a : 5\nb\0c : 4\nd : 3\n", 20), {"a : 5"}},
        {"a name of control characters is still one word", "a : 5\n\x01\x02\x1b[2J : 4\n",
         {"a : 5", "\x01\x02\x1b[2J : 4"}},
        {"missing newline at the end", "a : 5", {"a : 5"}},
        {"extra spaces", "  a   :   5  \n", {"a : 5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(table, c.file);
        // A score below everything keeps the readable part and lands after it.
        EXPECT_EQ(merge_score(table.c_str(), -100, 11), static_cast<int>(c.kept.size()));
        auto expected = c.kept;
        expected.push_back("alice : -100");
        EXPECT_EQ(read_file(table), lines(expected));
    }
}

TEST_F(ScoreStore, WritesOneSafeWordForAnyPlayerName) {
    struct name_case {
        const char* km_player;
        const char* user;
        std::string written;
    };
    const std::string sixty(60, 'x');
    // 58 ASCII bytes and a two-byte character: cutting at 59 would split it.
    const std::string split = std::string(58, 'y') + "\xc3\xa9" + "z";
    std::vector<name_case> cases = {
        {"alice", "bob", "alice"},
        {nullptr, "bob", "bob"},
        {"two words", "bob", "two_words"},
        {"tab\there", nullptr, "tab_here"},
        {"", "bob", "bob"},
        {sixty.c_str(), nullptr, std::string(59, 'x')},
        {split.c_str(), nullptr, std::string(58, 'y')},
        {"esc\x1b[1m", nullptr, "esc_[1m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        if (c.km_player) setenv("KM_PLAYER", c.km_player, 1);
        else unsetenv("KM_PLAYER");
        if (c.user) setenv("USER", c.user, 1);
        else unsetenv("USER");
        fs::remove(table);
        ASSERT_EQ(merge_score(table.c_str(), 1, 11), 0);
        EXPECT_EQ(read_file(table), c.written + " : 1\n");
        char name[max_name_length + 1];
        int64_t score;
        rewind(score_stream);
        EXPECT_EQ(read_entry(score_stream, name, &score), 2) << "every written line reads back";
    }
}

TEST_F(ScoreStore, FallsBackToTheLoginNameWithoutPlayerOrUser) {
    unsetenv("KM_PLAYER");
    unsetenv("USER");
    std::string name = player_name();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name, safe_name(name));
}

TEST_F(ScoreStore, TriesTheLocationsInOrder) {
    const std::string own = dir + "/own", shared = dir + "/shared", home = dir + "/home";
    fs::create_directories(own);
    fs::create_directories(shared);
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);

    setenv("KM_SCORES_DIR", own.c_str(), 1);
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 5, 10), 0);
    EXPECT_EQ(read_file(own + "/g_scores"), "alice : 5\n");
    EXPECT_FALSE(fs::exists(shared + "/g_scores"));
    EXPECT_FALSE(fs::exists(home + "/.g_scores"));

    setenv("KM_SCORES_DIR", (dir + "/missing").c_str(), 1);
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 6, 10), 0);
    EXPECT_EQ(read_file(shared + "/g_scores"), "alice : 6\n");
    EXPECT_EQ(read_file(own + "/g_scores"), "alice : 5\n");

    // An empty KM_SCORES_DIR is no directory: never the root's.
    setenv("KM_SCORES_DIR", "", 1);
    EXPECT_EQ(save_score_in((dir + "/nowhere").c_str(), "g_scores", 7, 10), 0);
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 7\n");
    EXPECT_EQ(stream_text(), "alice : 7\n");

    unsetenv("HOME");
    EXPECT_EQ(save_score_in((dir + "/nowhere").c_str(), "g_scores", 8, 10), score_failed);
    EXPECT_EQ(score_stream, nullptr);

    // A path too long for the buffer is not cut into some other file's name: that location fails.
    setenv("KM_SCORES_DIR", (own + "/" + std::string(990, 'd')).c_str(), 1);
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 5, 10), 1);
    EXPECT_EQ(read_file(shared + "/g_scores"), "alice : 6\nalice : 5\n");
}

TEST(ScoreLocations, OwnDirectoryFirstThenSharedThenHome) {
    auto paths = [](const std::vector<score_location>& locations) {
        std::vector<std::string> p;
        for (const auto& l : locations) p.push_back(l.path + (l.shared ? " (shared)" : ""));
        return p;
    };
    using v = std::vector<std::string>;
    EXPECT_EQ(paths(score_locations("arrowpip_scores", "/own", "/shared", "/home/al")),
              (v{"/own/arrowpip_scores", "/shared/arrowpip_scores (shared)", "/home/al/.arrowpip_scores"}));
    EXPECT_EQ(paths(score_locations("x", nullptr, "/shared", nullptr)), (v{"/shared/x (shared)"}));
    EXPECT_EQ(paths(score_locations("x", "", "/shared", "")), (v{"/shared/x (shared)"}));
    // A path that would not fit is left out, not cut into another file's name.
    std::string deep(998, 'd');
    EXPECT_EQ(paths(score_locations("x", deep.c_str(), "/shared", "/h")), (v{"/shared/x (shared)", "/h/.x"}));
}

TEST_F(ScoreStore, PathsThatAreNotRegularFilesFailAtOnce) {
    const std::string target = dir + "/real";
    write_file(target, "a : 1\n");
    struct odd_case {
        const char* what;
        std::string path;
    };
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
    fs::create_directories(dir + "/adir");
    fs::create_symlink(target, dir + "/link");
    ASSERT_EQ(link(target.c_str(), (dir + "/second_name").c_str()), 0);
    std::vector<odd_case> cases = {
        {"hard link: writing it would change the file it names too", dir + "/second_name"},
        {"FIFO: no reader would ever come", dir + "/fifo"},
        {"directory", dir + "/adir"},
        {"device", "/dev/null"},
        {"symbolic link", dir + "/link"},
        {"missing directory", dir + "/none/table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(merge_score(c.path.c_str(), 5, 10), score_failed);
        EXPECT_EQ(whole_table(c.path), "<none>") << "the menu shows none of them either";
    }
    EXPECT_EQ(read_file(target), "a : 1\n");
    EXPECT_TRUE(fs::is_fifo(dir + "/fifo"));
    EXPECT_TRUE(fs::is_symlink(dir + "/link"));
}

TEST_F(ScoreStore, AFailedWriteKeepsTheOldTableAndMovesOn) {
    const std::string old_table = lines({"a : 500", "b : 400", "c : 300"});
    const std::string own = dir + "/own", home = dir + "/home";
    fs::create_directories(own);
    fs::create_directories(home);
    write_file(own + "/g_scores", old_table);
    setenv("KM_SCORES_DIR", own.c_str(), 1);
    setenv("HOME", home.c_str(), 1);

    // A file size limit below the new table: every write past it fails, as on a full disk.
    struct rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    struct rlimit small = old_limit;
    small.rlim_cur = 16;
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int8_t result = save_score_in((dir + "/nowhere").c_str(), "g_scores", 450, 10);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);

    // The new table of one line fits under the limit in the home folder.
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_file(own + "/g_scores"), old_table);
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 450\n");
    for (const auto& e : fs::directory_iterator(own)) {
        std::string name = e.path().filename();
        EXPECT_TRUE(name == "g_scores" || name == "g_scores.lock") << "left behind: " << name;
    }
}

// Whatever step runs out of descriptors, a merge either fails, leaving the old table
// and nothing beside it, or succeeds with the new table on score_stream.
TEST_F(ScoreStore, RunningOutOfDescriptorsLeavesTheOldTableOrTheNewOne) {
    const std::string old_table = lines({"a : 500", "b : 400"});
    const std::string new_table = lines({"a : 500", "alice : 450", "b : 400"});
    struct rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    int lowest_free = dup(0);
    ASSERT_GE(lowest_free, 0);
    close(lowest_free);
    bool succeeded = false;
    for (rlim_t limit = lowest_free; limit < static_cast<rlim_t>(lowest_free) + 8; ++limit) {
        SCOPED_TRACE(limit - lowest_free);
        write_file(table, old_table);
        struct rlimit tight = old_limit;
        tight.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
        int8_t result = merge_score(table.c_str(), 450, 10);
        setrlimit(RLIMIT_NOFILE, &old_limit);
        if (result == score_failed) {
            EXPECT_EQ(read_file(table), old_table);
            EXPECT_EQ(score_stream, nullptr);
        } else {
            succeeded = true;
            EXPECT_EQ(result, 1);
            EXPECT_EQ(stream_text(), new_table);
        }
        for (const auto& e : fs::directory_iterator(dir)) {
            std::string name = e.path().filename();
            EXPECT_TRUE(name == "table" || name == "table.lock") << "left behind: " << name;
        }
    }
    EXPECT_TRUE(succeeded) << "enough descriptors for a whole merge";
}

// A table rewritten in place is written before the high-score screen's copy
// is made; with no descriptor left for that copy, the result still stands, and
// is never recorded a second time at the next location.
TEST_F(ScoreStore, AResultRewrittenInPlaceIsRecordedOnceWhateverStepRunsOutOfDescriptors) {
    const std::string own = dir + "/own", shared = dir + "/shared", home = dir + "/home";
    for (const auto& d : {own, shared, home}) fs::create_directories(d);
    setenv("HOME", home.c_str(), 1);
    const std::string old_table = lines({"a : 500", "b : 400"});
    const std::string new_table = lines({"a : 500", "alice : 450", "b : 400"});
    struct rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    for (bool in_shared : {false, true}) {
        SCOPED_TRACE(in_shared ? "the held shared table" : "a table of one's own with a journal");
        const std::string where = in_shared ? shared : own;
        if (in_shared) {
            unsetenv("KM_SCORES_DIR");
        } else {
            setenv("KM_SCORES_DIR", own.c_str(), 1);
        }
        int succeeded = 0, without_copy = 0;
        for (int extra = 0; extra < 8; ++extra) {
            SCOPED_TRACE(extra);
            write_file(where + "/g_scores", old_table);
            write_file(where + "/g_scores.journal", journal(2, false, ""));
            fs::remove(home + "/.g_scores");
            release_shared_table();
            if (in_shared) {
                ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
            }
            // The last merge's stream is closed as the next one starts: its descriptor does not count.
            if (score_stream != nullptr) {
                fclose(score_stream);
                score_stream = nullptr;
            }
            int lowest_free = dup(0);
            ASSERT_GE(lowest_free, 0);
            close(lowest_free);
            struct rlimit tight = old_limit;
            tight.rlim_cur = static_cast<rlim_t>(lowest_free + extra);
            ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
            const int8_t result = save_score_in(in_shared ? shared.c_str() : (dir + "/nowhere").c_str(), "g_scores",
                                                450, 10);
            setrlimit(RLIMIT_NOFILE, &old_limit);
            const bool in_table = read_file(where + "/g_scores") == new_table;
            const bool in_home = read_file(home + "/.g_scores") == "alice : 450\n";
            if (result == score_failed) {
                EXPECT_FALSE(in_table || in_home) << "a result reported lost was recorded";
                EXPECT_EQ(read_file(where + "/g_scores"), old_table);
                continue;
            }
            ++succeeded;
            EXPECT_NE(in_table, in_home) << "recorded once, in the table or else at the next location";
            if (score_stream == nullptr) {
                ++without_copy;
            } else {
                EXPECT_EQ(stream_text(), in_table ? new_table : "alice : 450\n");
            }
        }
        EXPECT_GT(succeeded, 0);
        EXPECT_GT(without_copy, 0) << "a merge that had no descriptor left for the screen's copy";
    }
    unsetenv("KM_SCORES_DIR");
}

TEST_F(ScoreStore, KeepsThePermissionBitsOfTheTable) {
    write_file(table, "a : 1\n");
    ASSERT_EQ(chmod(table.c_str(), 0644), 0);
    ASSERT_EQ(merge_score(table.c_str(), 2, 10), 0);
    EXPECT_EQ(fs::status(table).permissions(), fs::perms(0644));

    ASSERT_EQ(chmod(table.c_str(), 0664), 0);
    ASSERT_EQ(merge_score(table.c_str(), 3, 10), 0);
    EXPECT_EQ(fs::status(table).permissions(), fs::perms(0664));

    mode_t old_mask = umask(022);
    fs::remove(table);
    ASSERT_EQ(merge_score(table.c_str(), 4, 10), 0);
    umask(old_mask);
    EXPECT_EQ(fs::status(table).permissions(), fs::perms(0644)) << "as a new file made with fopen";

    // A player with a strict umask still leaves a lock file every other player can take.
    fs::remove(table);
    fs::remove(table + ".lock");
    old_mask = umask(077);
    ASSERT_EQ(merge_score(table.c_str(), 5, 10), 0);
    umask(old_mask);
    EXPECT_EQ(fs::status(table).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(table + ".lock").permissions(), fs::perms(0644));

    // The shared directory's files are made for every player's games, whatever
    // this player's umask; its lock file is for the games alone.
    const std::string shared = dir + "/shared";
    fs::create_directories(shared);
    old_mask = umask(077);
    ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
    umask(old_mask);
    EXPECT_EQ(fs::status(shared + "/g_scores.lock").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(shared + "/g_scores").permissions(), fs::perms(0664));
    EXPECT_EQ(fs::status(shared + "/g_scores.journal").permissions(), fs::perms(0664));
}

TEST_F(ScoreStore, ClosesTheStreamItReplaces) {
    auto open_fds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}); };
    ASSERT_EQ(merge_score(table.c_str(), 1, 10), 0);
    auto after_first = open_fds();
    for (int i = 0; i < 5; ++i) merge_score(table.c_str(), 1, 10);
    merge_score((dir + "/none/x").c_str(), 1, 10);
    ASSERT_EQ(merge_score(table.c_str(), 1, 10), 0);
    EXPECT_EQ(open_fds(), after_first);
}

TEST_F(ScoreStore, ConcurrentGamesLoseNoResult) {
    constexpr int players = 20;
    constexpr int n = 10;
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "the shared table, rewritten in place" : "a table of one's own, replaced whole");
        fs::remove(table);
        fs::remove(table + ".journal");
        std::vector<pid_t> children;
        for (int i = 0; i < players; ++i) {
            pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                setenv("KM_PLAYER", ("p" + std::to_string(i)).c_str(), 1);
                int8_t r = shared && hold_shared_table(dir.c_str(), "table") ? save_score_in(dir.c_str(), "table", 1000 + i, n)
                                                                               : merge_score(table.c_str(), 1000 + i, n);
                _exit(r == score_failed ? 1 : 0);
            }
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        std::vector<std::string> expected;
        for (int i = players - 1; i >= players - n; --i)
            expected.push_back("p" + std::to_string(i) + " : " + std::to_string(1000 + i));
        EXPECT_EQ(read_file(table), lines(expected));
    }
}

// A game killed at any moment of a merge leaves a whole table, old or new, and
// its lock dies with it: the next game merges at once.
TEST_F(ScoreStore, AKilledGameLeavesAWholeTableAndNoLockBehind) {
    constexpr int n = 5;
    for (int delay_us : {0, 300, 1000, 3000, 10000, 30000}) {
        SCOPED_TRACE(delay_us);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int64_t s = 1;; ++s) merge_score(table.c_str(), s, n);
        }
        usleep(delay_us);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);

        FILE* in = fopen(table.c_str(), "r");
        std::vector<int64_t> scores;
        if (in != nullptr) {
            char name[max_name_length + 1];
            int64_t score;
            while (read_entry(in, name, &score) == 2) scores.push_back(score);
            EXPECT_TRUE(feof(in)) << "every line of the table reads back";
            fclose(in);
        }
        EXPECT_LE(scores.size(), static_cast<size_t>(n));
        EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend()));

        // A lock left held would block here; the alarm fails the test instead of hanging it.
        alarm(10);
        EXPECT_EQ(merge_score(table.c_str(), INT64_MAX, n), 0);
        alarm(0);
    }
}

TEST_F(ScoreStore, ALockHeldByAStoppedGameSendsTheResultToTheNextLocation) {
    const std::string own = dir + "/own", home = dir + "/home";
    fs::create_directories(own);
    fs::create_directories(home);
    write_file(own + "/g_scores", "a : 5\n");
    setenv("KM_SCORES_DIR", own.c_str(), 1);
    setenv("HOME", home.c_str(), 1);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // A game stopped while it holds the table's lock.
        int fd = open((own + "/g_scores.lock").c_str(), O_RDONLY | O_CREAT, 0644);
        flock(fd, LOCK_EX);
        ssize_t ignored = write(ready[1], "x", 1);
        (void)ignored;
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    int8_t result = save_score_in((dir + "/nowhere").c_str(), "g_scores", 9, 10);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_file(own + "/g_scores"), "a : 5\n");
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 9\n");
}

TEST_F(ScoreStore, AnotherOwnersTableIsRewrittenInPlaceAndKeepsItsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a table to another owner needs root";
    write_file(table, "a : 5\nb : 3\n");
    ASSERT_EQ(chown(table.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(table.c_str(), 0664), 0);
    EXPECT_EQ(merge_score(table.c_str(), 4, 10), 1);
    EXPECT_EQ(read_file(table), "a : 5\nalice : 4\nb : 3\n");
    struct stat st;
    ASSERT_EQ(stat(table.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_TRUE(journal_is_idle(table + ".journal"));
    EXPECT_EQ(stream_text(), "a : 5\nalice : 4\nb : 3\n");

    // Another game's merge while this one's high-score screen still reads its table.
    FILE* mine = score_stream;
    score_stream = nullptr;
    setenv("KM_PLAYER", "zed", 1);
    EXPECT_EQ(merge_score(table.c_str(), 9, 10), 0);
    std::swap(mine, score_stream);
    EXPECT_EQ(stream_text(), "a : 5\nalice : 4\nb : 3\n") << "the screen keeps reading the table it marked";
    fclose(mine);
    EXPECT_EQ(read_file(table), "zed : 9\na : 5\nalice : 4\nb : 3\n");
}

// A game that died copying a new table into place left its journal pending:
// the next merge finishes the copy first, on either road.
TEST_F(ScoreStore, AJournalLeftByADeadGameIsFinishedFirst) {
    const std::string cut = journal(7, true, "x : 99\ny : 98\n");
    std::string wrong_sum = cut;
    wrong_sum[wrong_sum.size() - 2] = '7';
    struct journal_case {
        const char* what;
        const char* table;  // null: none
        std::string journal;
        std::string after;  // once alice's 1 is merged
    };
    std::vector<journal_case> cases = {
        {"the copy tore the table", "a : 9\nb : 8\nc", journal(7, true, "a : 9\nb : 8\nc : 7\n"),
         "a : 9\nb : 8\nc : 7\nalice : 1\n"},
        {"it died before the table existed at all", nullptr, journal(3, true, "z : 4\n"), "z : 4\nalice : 1\n"},
        {"a journal cut short was never copied from", "a : 9\n", cut.substr(0, cut.size() - 3), "a : 9\nalice : 1\n"},
        {"a journal that does not add up neither", "a : 9\n", wrong_sum, "a : 9\nalice : 1\n"},
        {"an idle journal", "a : 9\n", journal(7, false, ""), "a : 9\nalice : 1\n"},
    };
    for (bool shared : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (shared ? ", shared" : ", own"));
            fs::remove(table);
            if (c.table != nullptr) write_file(table, c.table);
            write_file(table + ".journal", c.journal);
            int8_t r = shared ? save_score_in(dir.c_str(), "table", 1, 10) : merge_score(table.c_str(), 1, 10);
            EXPECT_NE(r, score_failed);
            EXPECT_EQ(read_file(table), c.after);
            EXPECT_TRUE(journal_is_idle(table + ".journal"));
        }
    }
}

// Whoever owns a journal can write any table into it; only the table's owner's
// journal (or the merging player's own, on a table the player may write anyway,
// or the directory's owner's) is ever copied into the table or shown for it.
TEST_F(ScoreStore, AJournalSomeoneElseOwnsIsNeverCopiedIntoTheTable) {
    if (geteuid() != 0) GTEST_SKIP() << "files of three owners need root";
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "shared" : "own");
        write_file(table, "a : 5\n");
        ASSERT_EQ(chown(table.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(table.c_str(), 0664), 0);
        write_file(table + ".journal", journal(1, true, "cheat : 999999\n"));
        ASSERT_EQ(chown((table + ".journal").c_str(), 65533, 65533), 0);
        ASSERT_EQ(chmod((table + ".journal").c_str(), 0666), 0);
        EXPECT_EQ(whole_table(table), "<none>") << "neither its table nor one read during a copy it may stand for";
        int8_t r = shared ? save_score_in(dir.c_str(), "table", 4, 10) : merge_score(table.c_str(), 4, 10);
        // In the shared directory files of anyone but its owner are refused outright.
        EXPECT_EQ(r, shared ? score_failed : 1);
        EXPECT_EQ(read_file(table), shared ? "a : 5\n" : "a : 5\nalice : 4\n");
        fs::remove(table);
        fs::remove(table + ".journal");
    }
}

TEST_F(ScoreStore, ReadsAWholeTableWhateverStateItsJournalIsIn) {
    const std::string cut = journal(4, true, "x : 9\ny : 8\n");
    std::string twelve;
    for (int i = 0; i < 12; ++i) twelve += "p" + std::to_string(i) + " : " + std::to_string(100 - i) + "\n";
    struct read_case {
        const char* what;
        const char* table;    // null: none
        const char* journal;  // null: none
        std::string shown;
    };
    std::vector<read_case> cases = {
        {"no journal", "a : 2\n", nullptr, "a : 2\n"},
        {"an idle journal", "a : 2\n", "idle", "a : 2\n"},
        {"a pending journal: a copy under way, or one its game did not live to finish", "a : 2\nb", "pending",
         "a : 2\nb : 1\n"},
        {"a journal in the middle of its own rewrite: the table is not being written", "a : 2\n", "cut", "a : 2\n"},
        {"no table", nullptr, nullptr, "<none>"},
        {"a pending journal and no table yet", nullptr, "pending", "<none>"},
        {"the first ten of a longer table", twelve.c_str(), nullptr, twelve.substr(0, twelve.find("p10"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(table);
        fs::remove(table + ".journal");
        if (c.table != nullptr) write_file(table, c.table);
        if (c.journal != nullptr) {
            std::string j = c.journal;
            write_file(table + ".journal", j == "idle"      ? journal(4, false, "")
                                           : j == "pending" ? journal(4, true, "a : 2\nb : 1\n")
                                                            : cut.substr(0, cut.size() - 4));
        }
        EXPECT_EQ(whole_table(table, 10), c.shown);
    }
}

// A copy that a killed game left is finished by the next game of any player,
// whenever the journal's owner could have put the table there anyway.
TEST_F(ScoreStore, AnInterruptedCopyIsFinishedByAnotherPlayersGame) {
    if (geteuid() != 0) GTEST_SKIP() << "a merge by another uid needs root";
    constexpr uid_t player = 65533, table_owner = 65534, stranger = 65532;
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    struct copy_case {
        const char* what;
        uid_t journal_owner;
        std::string after;
    };
    const std::string torn = "a : 9\nb : 8\nc", whole = "a : 9\nb : 8\nc : 7\n";
    const std::vector<copy_case> cases = {
        {"the table's owner's journal", table_owner, whole + "alice : 1\n"},
        {"the directory's owner's journal", 0, whole + "alice : 1\n"},
        {"the merging player's own journal", player, whole + "alice : 1\n"},
        {"a stranger's journal is never copied", stranger, "a : 9\nb : 8\nalice : 1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(table, torn);
        write_file(table + ".journal", journal(5, true, whole));
        write_file(table + ".lock", "");
        ASSERT_EQ(chown(table.c_str(), table_owner, table_owner), 0);
        ASSERT_EQ(chown((table + ".journal").c_str(), c.journal_owner, c.journal_owner), 0);
        for (const char* suffix : {"", ".journal", ".lock"}) ASSERT_EQ(chmod((table + suffix).c_str(), 0666), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (setresgid(player, player, player) != 0 || setresuid(player, player, player) != 0) _exit(2);
            _exit(merge_score(table.c_str(), 1, 10) != score_failed ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(read_file(table), c.after);
        EXPECT_TRUE(journal_is_idle(table + ".journal"));
    }
}

// The menu runs with the player's own ids, which own neither the table nor
// its journal: a pending journal is shown only when whoever wrote it could
// write the table anyway; else the table may be in the middle of its copy,
// and nothing is shown rather than half of it.
TEST_F(ScoreStore, AReaderOfAnotherPlayerTrustsOnlyAJournalTheTablesOwnerCouldHaveWritten) {
    if (geteuid() != 0) GTEST_SKIP() << "a reader of another uid needs root";
    constexpr uid_t reader = 65533, table_owner = 65534, stranger = 65532;
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    struct reader_case {
        const char* what;
        uid_t journal_owner;
        bool pending;
        std::string shown;
    };
    const std::string torn = "a : 9\nb : 8\nc", whole = "a : 9\nb : 8\nc : 7\n";
    const std::vector<reader_case> cases = {
        {"the table's owner's journal", table_owner, true, whole},
        {"the reader's own journal", reader, true, whole},
        {"the directory's owner's journal", 0, true, whole},
        {"a stranger's pending journal: the table may be mid-copy", stranger, true, "<none>"},
        {"a stranger's idle journal: no copy under way", stranger, false, "a : 9\nb : 8\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(table, torn);
        write_file(table + ".journal", journal(5, c.pending, c.pending ? whole : ""));
        ASSERT_EQ(chown(table.c_str(), table_owner, table_owner), 0);
        ASSERT_EQ(chown((table + ".journal").c_str(), c.journal_owner, c.journal_owner), 0);
        ASSERT_EQ(chmod(table.c_str(), 0644), 0);
        ASSERT_EQ(chmod((table + ".journal").c_str(), 0644), 0);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(out[0]);
            if (setresgid(reader, reader, reader) != 0 || setresuid(reader, reader, reader) != 0) _exit(2);
            const std::string shown = whole_table(table);
            _exit(write(out[1], shown.data(), shown.size()) == static_cast<ssize_t>(shown.size()) ? 0 : 1);
        }
        close(out[1]);
        std::string shown;
        char buf[256];
        for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) shown.append(buf, static_cast<size_t>(n));
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(shown, c.shown);
    }
}

// The game gives up the ids that opened the shared table before the player's
// terminal description is read: the merge needs nothing but what was opened.
TEST_F(ScoreStore, TheSharedTableIsMergedThroughWhatWasOpenedAtStart) {
    const std::string shared = dir + "/shared", home = dir + "/home";
    fs::create_directories(shared);
    fs::create_directories(home);
    ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
    if (geteuid() == 0) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Nobody may write the directory or the table by name now.
            if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(2);
            _exit(save_score_in(shared.c_str(), "g_scores", 7, 10) == 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
        ASSERT_EQ(chmod(shared.c_str(), 0555), 0);
        EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 7, 10), 0);
        chmod(shared.c_str(), 0755);
    }
    EXPECT_EQ(read_file(shared + "/g_scores"), "alice : 7\n");

    // A table replaced since the start is not the one held: the result goes on to the next location.
    setenv("HOME", home.c_str(), 1);
    write_file(shared + "/replacement", "r : 1\n");
    ASSERT_EQ(rename((shared + "/replacement").c_str(), (shared + "/g_scores").c_str()), 0);
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 8, 10), 0);
    EXPECT_EQ(read_file(shared + "/g_scores"), "r : 1\n");
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 8\n");
}

TEST_F(ScoreStore, AHardLinkInPlaceOfASharedTableIsRefusedAndTheLinkedFileKept) {
    const std::string shared = dir + "/shared", home = dir + "/home", victim = dir + "/victim";
    fs::create_directories(shared);
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    write_file(victim, "precious\n");
    ASSERT_EQ(link(victim.c_str(), (shared + "/g_scores").c_str()), 0);
    EXPECT_FALSE(hold_shared_table(shared.c_str(), "g_scores"));
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 5, 10), 0);
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 5\n");
    EXPECT_EQ(read_file(victim), "precious\n");

    // A second name given to a table after the start.
    fs::remove(shared + "/g_scores");
    ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
    ASSERT_EQ(link((shared + "/g_scores").c_str(), (dir + "/second").c_str()), 0);
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 6, 10), 0);
    EXPECT_EQ(read_file(dir + "/second"), "");
    EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 6\nalice : 5\n");
}

// Whoever owns a file in the shared directory can edit the table, hold the lock
// for good or make the journal unreadable; only the directory's owner may own one.
TEST_F(ScoreStore, ASharedFileOfAnyoneButTheDirectorysOwnerIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "files of another owner need root";
    const std::string shared = dir + "/shared", home = dir + "/home";
    fs::create_directories(shared);
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    for (const char* whose : {"g_scores.lock", "g_scores", "g_scores.journal"}) {
        SCOPED_TRACE(whose);
        for (const auto& e : fs::directory_iterator(shared)) fs::remove(e.path());
        fs::remove(home + "/.g_scores");
        write_file(shared + "/g_scores.lock", "");
        write_file(shared + "/g_scores", "a : 5\n");
        write_file(shared + "/g_scores.journal", journal(3, false, ""));
        for (const char* name : {"g_scores.lock", "g_scores", "g_scores.journal"})
            ASSERT_EQ(chmod((shared + "/" + name).c_str(), 0666), 0);
        ASSERT_EQ(chown((shared + "/" + whose).c_str(), 65534, 65534), 0);
        EXPECT_FALSE(hold_shared_table(shared.c_str(), "g_scores"));
        EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 4, 10), 0);
        EXPECT_EQ(read_file(home + "/.g_scores"), "alice : 4\n") << "the search moved on";
        EXPECT_EQ(read_file(shared + "/g_scores"), "a : 5\n");
        EXPECT_EQ(read_file(shared + "/g_scores.journal"), journal(3, false, ""));
        release_shared_table();
    }

    // A player who may write the directory still may not make the files: they would be the player's.
    for (const auto& e : fs::directory_iterator(shared)) fs::remove(e.path());
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(2);
        unsetenv("HOME");
        const bool held = hold_shared_table(shared.c_str(), "g_scores");
        _exit(!held && save_score_in(shared.c_str(), "g_scores", 4, 10) == score_failed ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fs::is_empty(shared)) << "nothing made in the shared directory";

    // The directory's owner makes them, its own.
    ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
    EXPECT_EQ(save_score_in(shared.c_str(), "g_scores", 6, 10), 0);
    EXPECT_EQ(read_file(shared + "/g_scores"), "alice : 6\n");
}

TEST_F(ScoreStore, TemporaryFilesKilledGamesLeftGoAtTheNextMerge) {
    write_file(table, "a : 1\n");
    for (const char* name : {"table.tmp.AbC123", "table.tmp.zz9zz9", "table.backup", "table.tmp.AbC1234", "other.tmp.AbC123"})
        write_file(dir + "/" + name, "x : 1\n");
    ASSERT_EQ(merge_score(table.c_str(), 2, 10), 0);
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(dir)) left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"table", "table.lock", "table.backup", "table.tmp.AbC1234", "other.tmp.AbC123"}))
        << "a player's own files stay";

    // In the shared directory too, at the start of a game: an administrator's copies stay.
    const std::string shared = dir + "/shared";
    fs::create_directories(shared);
    for (const char* name : {"g_scores.backup", "g_scores.202611", "g_scores.tmp.Qw3rty", "g_scores.bak"})
        write_file(shared + "/" + name, "");
    ASSERT_TRUE(hold_shared_table(shared.c_str(), "g_scores"));
    left.clear();
    for (const auto& e : fs::directory_iterator(shared)) left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"g_scores", "g_scores.lock", "g_scores.journal", "g_scores.backup",
                                           "g_scores.202611", "g_scores.bak"}));
}

// The two roads of a merge, as a game runs them in a process of its own.
struct road {
    const char* what;
    bool shared;
};
const road both_roads[] = {{"a table of one's own, replaced whole", false},
                           {"the shared table, rewritten in place", true}};

// A table whose new version is shorter, so a copy in place passes through a
// table that is neither the old nor the new one.
const std::string five_before = "ann : 500\nbob : 400\ncid : 300\ndee : 200\nzacharias_the_long_named : 100\n";
const std::string five_after = "alice : 600\nann : 500\nbob : 400\ncid : 300\ndee : 200\n";

void merge_on(const road& r, const std::string& dir, int64_t score) {
    if (r.shared) {
        release_shared_table();
        hold_shared_table(dir.c_str(), "table");
        save_score_in(dir.c_str(), "table", score, 5);
    } else {
        merge_score((dir + "/table").c_str(), score, 5);
    }
}

TEST_F(ScoreStore, AGameKilledAtEveryStepOfAMergeLeavesAWholeTableAndNothingBehind) {
    for (const road& r : both_roads) {
        SCOPED_TRACE(r.what);
        auto reset = [&] {
            for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
            write_file(table, five_before);
        };
        reset();
        const int steps = step_through([&] { merge_on(r, dir, 600); }, [](int) { return true; });
        ASSERT_GT(steps, 10);
        ASSERT_EQ(read_file(table), five_after);
        int left_temporary = 0, left_pending = 0, torn_raw = 0;
        for (int k = 0; k < steps; ++k) {
            SCOPED_TRACE(k);
            reset();
            step_through([&] { merge_on(r, dir, 600); }, [&](int i) { return i < k; });
            const std::string raw = read_file(table);
            torn_raw += raw != five_before && raw != five_after;
            left_temporary += !temporary_files(dir, "table").empty();
            left_pending += fs::exists(table + ".journal") && !journal_is_idle(table + ".journal");
            const std::string shown = whole_table(table);
            EXPECT_TRUE(shown == five_before || shown == five_after) << shown;
            // The next game's merge; its score is too low to enter, so the table must come out old or new.
            merge_on(r, dir, 1);
            const std::string after = read_file(table);
            EXPECT_TRUE(after == five_before || after == five_after) << after;
            EXPECT_TRUE(temporary_files(dir, "table").empty());
        }
        printf("[ figures ] %s: killed at each of %d steps; %d left a temporary file, %d a pending journal, "
               "%d a torn table on disk; after the next merge 0 of each\n",
               r.what, steps, left_temporary, left_pending, torn_raw);
    }
}

TEST_F(ScoreStore, AReaderAtEveryStepOfAnInPlaceRewriteSeesTheOldTableOrTheNew) {
    write_file(table, five_before);
    int steps = 0, mixed_on_disk = 0, shown_wrong = 0;
    steps = step_through([&] { merge_on(both_roads[1], dir, 600); }, [&](int) {
        const std::string raw = read_file(table);
        mixed_on_disk += raw != five_before && raw != five_after;
        const std::string shown = whole_table(table);
        shown_wrong += shown != five_before && shown != five_after;
        return true;
    });
    ASSERT_EQ(read_file(table), five_after);
    EXPECT_EQ(shown_wrong, 0);
    EXPECT_GT(mixed_on_disk, 0) << "the steps pass through a table on disk that is neither old nor new";
    printf("[ figures ] a reader at each of %d steps: the file on disk was neither table at %d, the reader showed "
           "another table %d times\n",
           steps, mixed_on_disk, shown_wrong);
}

std::vector<std::string> records(const std::string& path) {
    std::vector<std::string> out;
    std::string all = read_file(path), one;
    for (char c : all) {
        if (c == '\x1e') {
            out.push_back(one);
            one.clear();
        } else {
            one += c;
        }
    }
    return out;
}

void append_record(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    std::string r = text + '\x1e';
    // One write: records of several processes never interleave.
    ssize_t ignored = write(fd, r.data(), r.size());
    (void)ignored;
    close(fd);
}

std::string ten_entries() {
    std::string t;
    for (int i = 0; i < 10; ++i) t += std::string(1 + i * 3, 'a' + i) + " : " + std::to_string(5000 - i * 10) + "\n";
    return t;
}

TEST_F(ScoreStore, WritersKilledAtRandomMomentsLeaveNoTemporaryFileAfterTheNextMerge) {
    constexpr int writers = 4, kills = 200, n = 10;
    write_file(table, ten_entries());
    auto spawn = [&](int w) {
        pid_t pid = fork();
        if (pid == 0) {
            srandom(static_cast<unsigned>(getpid()));
            for (int64_t i = 0;; ++i) {
                setenv("KM_PLAYER", ("w" + std::to_string(w) + std::string(i % 9, 'x')).c_str(), 1);
                merge_score(table.c_str(), random() % 10000, n);
            }
        }
        return pid;
    };
    std::vector<pid_t> pids;
    for (int w = 0; w < writers; ++w) pids.push_back(spawn(w));
    std::mt19937 moments(15);
    int leftovers = 0, most_at_once = 0, torn = 0, short_reads = 0;
    for (int i = 0; i < kills; ++i) {
        usleep(moments() % 3000);
        const int w = static_cast<int>(moments() % writers);
        kill(pids[w], SIGKILL);
        waitpid(pids[w], nullptr, 0);
        // With the lock held nobody is in the middle of a merge: every temporary file there is a killed game's.
        int lock = open((table + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(lock, 0);
        flock(lock, LOCK_EX);
        const int here = static_cast<int>(temporary_files(dir, "table").size());
        leftovers += here;
        most_at_once = std::max(most_at_once, here);
        torn += !strictly_whole(read_file(table), n);
        close(lock);
        short_reads += !strictly_whole(whole_table(table), n);
        pids[w] = spawn(w);
    }
    for (pid_t pid : pids) kill(pid, SIGKILL);
    for (pid_t pid : pids) waitpid(pid, nullptr, 0);
    const int left_at_end = static_cast<int>(temporary_files(dir, "table").size());
    EXPECT_NE(merge_score(table.c_str(), -1, n), score_failed);
    EXPECT_EQ(temporary_files(dir, "table"), std::vector<std::string>{});
    EXPECT_TRUE(strictly_whole(read_file(table), n));
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(short_reads, 0);
    printf("[ figures ] %d writers at once, %d kills at random moments: %d temporary files left by them in all (at most "
           "%d at once, each gone at the next merge), %d left when the last writers died, 0 after the next merge; "
           "%d torn tables, %d short reads\n",
           writers, kills + writers, leftovers, most_at_once, left_at_end, torn, short_reads);
}

TEST_F(ScoreStore, AReaderWithoutTheLockNeverSeesAShortOrMixedTableWhileWritersRewriteInPlace) {
    constexpr int writers = 3, merges_each = 40, n = 10;
    const std::string initial = ten_entries();
    write_file(table, initial);
    const std::string written = dir + "/written.log", seen = dir + "/seen.log";
    std::vector<pid_t> pids;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        if (pid == 0) {
            srandom(static_cast<unsigned>(getpid()));
            if (!hold_shared_table(dir.c_str(), "table")) _exit(1);
            for (int i = 0; i < merges_each; ++i) {
                setenv("KM_PLAYER", ("w" + std::to_string(w) + std::string(i % 9, 'x')).c_str(), 1);
                if (save_score_in(dir.c_str(), "table", 4900 + random() % 200, n) != score_failed)
                    append_record(written, stream_text());
            }
            _exit(0);
        }
        pids.push_back(pid);
    }
    pid_t reader = fork();
    if (reader == 0) {
        for (;;) append_record(seen, whole_table(table));
    }
    // Writers frozen at random moments, some in the middle of a rewrite, while the reader goes on.
    std::mt19937 moments(15);
    int freezes = 0, frozen_mid_rewrite = 0, running = writers;
    std::vector<bool> done(writers, false);
    while (running > 0) {
        usleep(moments() % 2000);
        const int w = static_cast<int>(moments() % writers);
        if (done[w]) continue;
        kill(pids[w], SIGSTOP);
        int status = 0;
        waitpid(pids[w], &status, WUNTRACED);
        if (WIFSTOPPED(status)) {
            ++freezes;
            frozen_mid_rewrite += !journal_is_idle(table + ".journal");
            usleep(3000);
            kill(pids[w], SIGCONT);
        } else {
            done[w] = true;
            --running;
        }
    }
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);

    std::set<std::string> tables = {initial};
    for (const auto& t : records(written)) tables.insert(t);
    int reads = 0, short_reads = 0, mixed = 0, none = 0;
    for (const auto& t : records(seen)) {
        ++reads;
        if (t == "<none>") ++none;
        else if (!strictly_whole(t, n)) ++short_reads;
        else if (tables.count(t) == 0) ++mixed;
    }
    EXPECT_GT(reads, 0);
    EXPECT_EQ(short_reads, 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(none, 0);
    printf("[ figures ] %d writers at once, %d rewrites in place, %d freezes (%d in the middle of a rewrite): "
           "%d reads without the lock, %d short, %d mixed, %d given up\n",
           writers, writers * merges_each, freezes, frozen_mid_rewrite, reads, short_reads, mixed, none);
}

TEST(DigitCount, CountsDigitsWithoutTheSign) {
    struct c {
        int64_t value;
        int digits;
    };
    for (auto [value, digits] : std::vector<c>{{0, 1}, {9, 1}, {-9, 1}, {10, 2}, {-123, 3}, {1000000, 7},
                                               {INT64_MAX, 19}, {INT64_MIN, 19}, {-10, 2}}) {
        EXPECT_EQ(digit_count(value), digits) << value;
    }
}

}  // namespace
