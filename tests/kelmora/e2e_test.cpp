// The menu in a real terminal: name entry, launching programs, the browser, quitting.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "terminal_run.h"

namespace {

// A folder of stand-in programs that write down how they were started, then fail.
class stand_ins {
public:
    stand_ins() {
        char tmpl[] = "/tmp/km-kelmora-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) dir_ = tmpl;
    }
    ~stand_ins() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }

    void add(const std::string& name) const {
        std::string path = dir_ + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n"
                            << "{ echo \"args=$#\"; echo \"player=$KM_PLAYER\"; stty -a; } > \"$HOME/record.tmp\"\n"
                            << "mv \"$HOME/record.tmp\" \"$HOME/" << name << ".record\"\n"
                            << "exit 3\n";
        chmod(path.c_str(), 0755);
    }

private:
    std::string dir_;
};

// Takes the default name and waits for the main menu.
void past_name_entry(terminal_run& t) {
    ASSERT_TRUE(t.wait_for("Enter a name, then press enter"));
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("Main Menu"));
}

std::string wait_for_file(const std::string& path, double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::string text = terminal_run::read_file(path);
        if (!text.empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
}

// The exit status once "Quit." shows; -1 when the menu never ends.
int status_after_quit(terminal_run& t) {
    EXPECT_TRUE(t.wait_for("Quit."));
    return t.wait_exit();
}

void down(terminal_run& t, int times) {
    for (int i = 0; i < times; ++i) t.keys({"Down"});
}

TEST(EndToEnd, AChosenGameStartsWithoutArgumentsUnderTheEnteredNameAndTheMenuComesBack) {
    stand_ins bin;
    bin.add("arrowpip");
    terminal_run::options o;
    o.path_prefix = bin.dir();
    terminal_run t(program_path("kelmora"), o);

    ASSERT_TRUE(t.wait_for("Enter a name, then press enter"));
    EXPECT_NE(t.screen().find("tester"), std::string::npos);
    for (int i = 0; i < 6; ++i) t.keys({"BSpace"});
    t.type("bob");
    ASSERT_TRUE(t.wait_for(" bob "));
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("Main Menu"));

    down(t, 3);
    t.keys({"Enter"});
    std::string record = wait_for_file(t.home() + "/arrowpip.record");
    ASSERT_FALSE(record.empty());
    EXPECT_NE(record.find("args=0\n"), std::string::npos) << record;
    EXPECT_NE(record.find("player=bob\n"), std::string::npos) << record;
    // The game gets the terminal in its ordinary mode.
    EXPECT_EQ(record.find("-icanon"), std::string::npos) << record;
    EXPECT_EQ(record.find(" -echo "), std::string::npos) << record;

    // Back in the menu with the first item selected, and the arrow keys work again.
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("tubelink_scores"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("Main Menu"));
    t.keys({"Down", "Enter"});
    ASSERT_TRUE(t.wait_for("How to read help pages"));
    EXPECT_TRUE(t.wait_for("this way: hopboard -h"));
    t.keys({"Escape"});
    ASSERT_TRUE(t.wait_for("Main Menu"));
    t.keys({"q"});
    EXPECT_EQ(status_after_quit(t), 0);
}

TEST(EndToEnd, AProgramMissingFromThePathRunsFromTheCurrentFolderOrTheMenuReturnsAtOnce) {
    stand_ins here;
    here.add("chestdig");
    terminal_run::options o;
    o.args = {"-c", "cd '" + here.dir() + "' && exec '" + program_path("kelmora") + "'"};
    terminal_run t("/bin/sh", o);
    past_name_entry(t);

    down(t, 20);
    t.keys({"Enter"});
    std::string record = wait_for_file(t.home() + "/chestdig.record");
    EXPECT_NE(record.find("args=0\n"), std::string::npos) << record;
    EXPECT_NE(record.find("player=tester\n"), std::string::npos) << record;

    // Found nowhere: straight back to the menu, first item selected.
    ASSERT_TRUE(t.wait_for("Main Menu"));
    down(t, 2);
    t.keys({"Enter"});
    t.keys({"Enter"});
    EXPECT_TRUE(t.wait_for("tubelink_scores", 5));
    EXPECT_TRUE(t.running());
}

TEST(EndToEnd, QuitsWithStatusZeroAndAnArgumentOnlyEarnsAMessage) {
    terminal_run::options o;
    o.args = {"extra"};
    terminal_run t(program_path("kelmora"), o);
    past_name_entry(t);
    t.keys({"Escape"});
    EXPECT_EQ(status_after_quit(t), 0);
    std::string screen = t.screen();
    EXPECT_NE(screen.find("game doesn't take arguments"), std::string::npos) << screen;
}

TEST(EndToEnd, CtrlCQuitsWithStatusTwo) {
    for (bool in_menu : {false, true}) {
        terminal_run t(program_path("kelmora"));
        if (in_menu) past_name_entry(t);
        else ASSERT_TRUE(t.wait_for("Enter a name"));
        t.keys({"C-c"});
        EXPECT_EQ(status_after_quit(t), 2) << in_menu;
    }
}

// Ctrl-Z in a game started from the menu, then `fg`, under a shell with job
// control: the menu stops and continues with the game without drawing, and
// only shows itself again once the game is over. A real game, because what
// matters is the game's own repaint on continue, which no stand-in script has;
// glyphpair waits for keys without a clock, so its screen holds still.
TEST(EndToEnd, AGameStoppedAndContinuedUnderTheShellKeepsTheScreenUntilItEnds) {
    terminal_run::options o;
    o.job_shell = true;
    o.path_prefix = std::filesystem::path(program_path("glyphpair")).parent_path();
    terminal_run t(program_path("kelmora"), o);
    past_name_entry(t);
    down(t, 18);
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("..pair.."));
    ASSERT_TRUE(t.settle());

    t.keys({"C-z"});
    ASSERT_TRUE(t.wait_stopped()) << t.screen();
    EXPECT_EQ(t.screen().find("Main Menu"), std::string::npos) << t.screen();

    t.type("fg");
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("..pair..")) << t.screen();
    ASSERT_TRUE(t.settle());
    std::string game = t.screen();
    EXPECT_EQ(game.find("Main Menu"), std::string::npos) << game;
    EXPECT_EQ(game.find("km$"), std::string::npos) << game;

    // The game reads the keys, not the menu.
    t.keys({"?"});
    ASSERT_TRUE(t.wait_for("THE CONTROLS")) << t.screen();
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("THE GAMEPLAY")) << t.screen();
    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("..pair..")) << t.screen();
    t.keys({"q"});

    // The whole menu again, on its own screen, first item selected.
    ASSERT_TRUE(t.wait_for("Main Menu")) << t.screen();
    ASSERT_TRUE(t.settle());
    std::string menu = t.screen();
    EXPECT_EQ(menu.find("..pair.."), std::string::npos) << menu;
    EXPECT_EQ(menu.find("km$"), std::string::npos) << menu;
    EXPECT_EQ(menu.find("Quit."), std::string::npos) << menu;
    for (int row = 2; row <= 22; ++row)
        EXPECT_FALSE(terminal_run::row_of(menu, row).substr(1).starts_with(" ")) << row << "\n" << menu;

    // Stopped in its own wait, the menu takes its screen back on `fg` itself.
    t.keys({"C-z"});
    ASSERT_TRUE(t.wait_stopped()) << t.screen();
    t.type("fg");
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("Main Menu")) << t.screen();
    ASSERT_TRUE(t.settle());
    EXPECT_EQ(t.screen().find("km$"), std::string::npos) << t.screen();
    t.keys({"s", "Enter"});
    ASSERT_TRUE(t.wait_for("How to read help pages")) << t.screen();
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("Main Menu"));

    t.keys({"q"});
    ASSERT_EQ(status_after_quit(t), 0);
    // Back on the shell's screen, where "Quit." stands alone on its line (the
    // game's own, and the menu's).
    std::string shell = t.screen();
    int quit_rows = 0;
    for (int row = 0; row < 24; ++row) {
        std::string line = terminal_run::row_of(shell, row);
        if (line.find("Quit.") == std::string::npos) continue;
        ++quit_rows;
        EXPECT_EQ(line.substr(0, line.find_last_not_of(' ') + 1), "Quit.") << shell;
    }
    EXPECT_GE(quit_rows, 1) << shell;
}

TEST(EndToEnd, TheBrowserShowsTheTableFromEveryLocationInTurn) {
    terminal_run t(program_path("kelmora"));
    std::ofstream(t.scores_dir() + "/arrowpip_scores") << "tester : 50\nann : 40\n";
    std::ofstream(t.home() + "/.arrowpip_scores") << "zed : 7\n";
    past_name_entry(t);

    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("tubelink_scores"));
    down(t, 5);
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_for("ann"));
    std::string first = t.screen();
    EXPECT_NE(first.find("tester"), std::string::npos);
    EXPECT_NE(first.find("50"), std::string::npos);
    EXPECT_EQ(first.find("zed"), std::string::npos);

    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("zed"));
    EXPECT_EQ(t.screen().find("ann"), std::string::npos);

    t.keys({"x"});
    ASSERT_TRUE(t.wait_for("tubelink_scores"));
    t.keys({"q"});
    ASSERT_TRUE(t.wait_for("Main Menu"));
}

}  // namespace
