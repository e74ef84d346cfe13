// The command line and the arena size taken from the terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "options.h"

using namespace coilclash;

namespace {

command_line parse(std::vector<std::string> args) {
    args.insert(args.begin(), "coilclash");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    optind = 0;  // a full restart of getopt between parses
    return parse_options(static_cast<int>(args.size()), argv.data());
}

TEST(CoilclashOptions, SizesMessagesAndUsage) {
    struct row {
        std::vector<std::string> args;
        int len, wid;
        bool any, usage;
        std::string errors;  // what reaches standard error, getopt's own complaints included
    };
    const std::string length = "Length too high or low.\n";
    const std::string width = "Width too high or low.\n";
    const row cases[] = {
        {{}, 10, 40, false, false, ""},
        {{"-l", "20"}, 20, 40, true, false, ""},
        {{"-w", "100"}, 10, 100, true, false, ""},
        {{"-l", "127", "-w", "127"}, 127, 127, true, false, ""},
        {{"-l5"}, 5, 40, true, false, length},            // below the range: kept, after the message
        {{"-w", "39"}, 10, 39, true, false, width},
        {{"-l", "0"}, 0, 40, true, false, length},
        {{"-l", "300"}, 127, 40, true, false, length},     // above 127: the nearest allowed value
        {{"-w", "-3"}, 10, 0, true, false, width},         // negative: never a negative allocation
        {{"-l", "abc"}, 0, 40, true, false, length},
        {{"-w", "128", "-l", "-1"}, 0, 127, true, false, width + length},
        {{"-h"}, 10, 40, true, true, ""},
        {{"-n"}, 10, 40, true, true, ""},
        {{"-l", "300", "-h"}, 127, 40, true, true, length},
    };
    for (const row& k : cases) {
        testing::internal::CaptureStderr();
        const command_line line = parse(k.args);
        const std::string errors = testing::internal::GetCapturedStderr();
        std::string at;
        for (const auto& a : k.args) at += a + " ";
        EXPECT_EQ(line.len, k.len) << at;
        EXPECT_EQ(line.wid, k.wid) << at;
        EXPECT_EQ(line.any_option, k.any) << at;
        EXPECT_EQ(line.usage, k.usage) << at;
        EXPECT_EQ(errors, k.errors) << at;
    }
}

TEST(CoilclashOptions, UnknownOptionsAndMissingValuesShowTheUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-x"}, {"-l"}, {"-w"}, {"-l", "20", "-z"}}) {
        testing::internal::CaptureStderr();
        EXPECT_TRUE(parse(args).usage) << args[0];
        EXPECT_NE(testing::internal::GetCapturedStderr(), "") << "getopt explains what was wrong";
    }
}

TEST(CoilclashOptions, UsageText) {
    testing::internal::CaptureStdout();
    print_usage("./coilclash");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Usage:./coilclash [options]\n -l length\n -w width\n -h help\n");
}

TEST(CoilclashTerminalSize, ArenaFollowsTheTerminalWithinItsLimits) {
    struct row {
        int lines, cols, len, wid;
    };
    const row cases[] = {
        {24, 80, 17, 75}, {16, 44, 10, 40}, {200, 200, 127, 127}, {17, 45, 10, 40},
        {134, 132, 127, 127}, {5, 10, 10, 40},
    };
    for (const row& k : cases) {
        EXPECT_EQ(len_for_terminal(k.lines), k.len) << k.lines;
        EXPECT_EQ(wid_for_terminal(k.cols), k.wid) << k.cols;
    }
}

}  // namespace
