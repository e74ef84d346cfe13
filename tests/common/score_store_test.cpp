// The score store: merging, locations, names, malformed tables and failures that must lose nothing.
#include <fcntl.h>
#include <sys/file.h>
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
    std::vector<odd_case> cases = {
        {"FIFO: no reader would ever come", dir + "/fifo"},
        {"directory", dir + "/adir"},
        {"device", "/dev/null"},
        {"symbolic link", dir + "/link"},
        {"missing directory", dir + "/none/table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(merge_score(c.path.c_str(), 5, 10), score_failed);
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
    std::vector<pid_t> children;
    for (int i = 0; i < players; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("KM_PLAYER", ("p" + std::to_string(i)).c_str(), 1);
            int8_t r = merge_score(table.c_str(), 1000 + i, n);
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
    for (int i = players - 1; i >= players - n; --i) expected.push_back("p" + std::to_string(i) + " : " + std::to_string(1000 + i));
    EXPECT_EQ(read_file(table), lines(expected));
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
    EXPECT_FALSE(fs::exists(table + ".new"));
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

TEST_F(ScoreStore, AJournalLeftByADeadGameIsFinishedFirst) {
    // A game died copying a new table into place: the table is torn, the journal whole.
    write_file(table, "a : 9\nb : 8\nc");
    write_file(table + ".new", "a : 9\nb : 8\nc : 7\n");
    EXPECT_EQ(merge_score(table.c_str(), 1, 10), 3);
    EXPECT_EQ(read_file(table), "a : 9\nb : 8\nc : 7\nalice : 1\n");
    EXPECT_FALSE(fs::exists(table + ".new"));

    // It died before the table existed at all.
    fs::remove(table);
    write_file(table + ".new", "z : 4\n");
    EXPECT_EQ(merge_score(table.c_str(), 5, 10), 0);
    EXPECT_EQ(read_file(table), "alice : 5\nz : 4\n");
    EXPECT_FALSE(fs::exists(table + ".new"));
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
