// The command line and the arena size taken from the terminal.
#pragma once

#include "rules.h"

namespace coilclash {

struct command_line {
    int len = default_len;
    int wid = default_wid;
    bool any_option = false;  // once an option is given, the terminal's size is not consulted
    bool usage = false;       // print the usage and end with status 1
};

// Parses "-l N", "-w N", "-h" (and "-n", which only shows the usage too). Out-of-range sizes
// are reported on standard error; sizes above 127 or below 0 are brought back to that bound.
command_line parse_options(int argc, char** argv);

void print_usage(const char* program);

// Arena rows and columns for a terminal of `lines` x `cols`, within the allowed ranges.
int len_for_terminal(int lines);
int wid_for_terminal(int cols);

}  // namespace coilclash
