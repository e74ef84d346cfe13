// Option parsing with getopt; messages go out before the terminal is set up.
#include "options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "rules.h"

namespace coilclash {

namespace {

// Values below the lower limit stay usable (a smaller arena), but a negative size cannot be
// allocated and one above 127 would overflow the set-up's 8-bit counters.
int checked_size(const char* text, int low, const char* message) {
    const int value = atoi(text);
    if (value < low || value > 127) fputs(message, stderr);
    return std::clamp(value, 0, 127);
}

}  // namespace

command_line parse_options(int argc, char** argv) {
    command_line line;
    int option;
    while ((option = getopt(argc, argv, "hnl:w:")) != -1) {
        line.any_option = true;
        switch (option) {
            case 'l': line.len = checked_size(optarg, min_len, "Length too high or low.\n"); break;
            case 'w': line.wid = checked_size(optarg, min_wid, "Width too high or low.\n"); break;
            default: line.usage = true; return line;  // -h, -n, or getopt's own complaint
        }
    }
    return line;
}

void print_usage(const char* program) {
    printf("Usage:%s [options]\n -l length\n -w width\n -h help\n", program);
}

int len_for_terminal(int lines) { return std::clamp(lines - 7, min_len, max_len); }

int wid_for_terminal(int cols) { return std::clamp(cols - 5, min_wid, max_wid); }

}  // namespace coilclash
