// NO_COLOR in a real terminal: every program built draws its screens without
// a single colour when it is set, and keeps its plain attributes (standout)
// so nothing depends on colour alone. The same screens with NO_COLOR set but
// empty show colour, so the check is not passing on a colourless terminal.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "terminal_run.h"

namespace {

struct step {
    std::vector<std::string> keys;  // sent before the screen is taken; none for the first screen
    std::string label;
};

struct program_case {
    std::string name;
    std::vector<step> steps;
    bool colour_without_no_color;  // these screens are sure to show colour when colours are wanted
    bool standout_without_colour;  // and to show standout when they are not
};

const std::vector<program_case> cases = {
    // The snakes carry their colours.
    {"coilclash", {{{}, "arena"}, {{}, "arena a moment later"}}, true, false},
    // Red rings, green letters; the help's frame is standout in either case.
    {"arrowpip", {{{}, "target"}, {{"?"}, "help"}}, true, true},
    // Colour only shows on the rarer items and explosions; the vehicle is standout.
    {"voltrider", {{{}, "arena"}, {{}, "arena a moment later"}, {{}, "arena later still"}}, false, true},
    // The marker and the help's frame share colour pair 1 and standout.
    {"blockhop", {{{}, "squares"}, {{"?"}, "help"}}, true, true},
    // The play screen is plain; the help has its colours.
    {"ropeheave", {{{}, "rope"}, {{"?"}, "help"}}, true, false},
    // Enter turns the tile under the cursor, whose glyph has a colour.
    {"glyphpair", {{{}, "board"}, {{"Enter"}, "a tile turned"}}, true, true},
    // The backdrop of the name entry and the menu's border.
    {"kelmora", {{{}, "name entry"}, {{"Enter"}, "main menu"}}, true, true},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const program_case& c, std::ostream* os) { *os << c.name; }

// The parameters of every SGR sequence of a captured screen, in order; the
// colour numbers after 38 and 48 are left out, so they never read as attributes.
std::vector<int> sgr_parameters(const std::string& screen) {
    std::vector<int> found;
    size_t at = 0;
    while ((at = screen.find("\x1b[", at)) != std::string::npos) {
        size_t end = screen.find('m', at + 2);
        if (end == std::string::npos) break;
        std::string params = screen.substr(at + 2, end - at - 2);
        at = end;
        if (params.find_first_not_of("0123456789;") != std::string::npos) continue;
        std::vector<int> list;
        size_t pos = 0;
        while (pos <= params.size()) {
            size_t semi = params.find(';', pos);
            if (semi == std::string::npos) semi = params.size();
            if (semi > pos) list.push_back(std::stoi(params.substr(pos, semi - pos)));
            pos = semi + 1;
        }
        for (size_t i = 0; i < list.size(); ++i) {
            found.push_back(list[i]);
            if ((list[i] == 38 || list[i] == 48) && i + 1 < list.size()) i += list[i + 1] == 5 ? 2 : 4;
        }
    }
    return found;
}

// A foreground or background colour; 39 and 49 are the terminal's defaults, no colour at all.
bool shows_colour(const std::string& screen) {
    for (int n : sgr_parameters(screen)) {
        if ((n >= 30 && n <= 38) || (n >= 40 && n <= 48) || (n >= 90 && n <= 97) || (n >= 100 && n <= 107))
            return true;
    }
    return false;
}

// Standout as the pane's terminal shows it: "screen" sends it as italics (3), reverse is 7.
bool shows_standout(const std::string& screen) {
    for (int n : sgr_parameters(screen)) {
        if (n == 3 || n == 7) return true;
    }
    return false;
}

struct screens {
    std::vector<std::string> taken;
    bool colour = false;
    bool standout = false;
};

// Every run is held between frames and dealt the same start, so what each
// screen shows never depends on the clock (a pickup over the vehicle, a frame
// not yet drawn).
screens take_screens(const program_case& c, const std::string& no_color) {
    terminal_run::options opts;
    opts.env["NO_COLOR"] = no_color;
    opts.gated = true;
    opts.seed = 7;
    terminal_run run(program_path(c.name), opts);
    screens s;
    if (!run.wait_until([](const std::string& screen) { return screen.find_first_not_of(" \n") != std::string::npos; }))
        return s;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const step& st = c.steps[i];
        if (!st.keys.empty()) {
            run.keys(st.keys);
            if (!run.settle()) return s;
        } else if (i > 0) {
            // A stop on the way waits for a key: the screen then stands as it is.
            run.step(3);
        }
        std::string screen = run.frozen_screen_with_attrs();
        s.taken.push_back(st.label + ":\n" + screen);
        s.colour = s.colour || shows_colour(screen);
        s.standout = s.standout || shows_standout(screen);
    }
    run.keys({"C-c"});
    run.wait_exit(5);
    return s;
}

class install_no_color : public testing::TestWithParam<program_case> {};

TEST_P(install_no_color, set_and_not_empty_takes_away_every_colour) {
    const program_case& c = GetParam();
    if (access(program_path(c.name).c_str(), X_OK) != 0) GTEST_SKIP() << c.name << " is not built";

    screens plain = take_screens(c, "1");
    ASSERT_EQ(plain.taken.size(), c.steps.size()) << c.name << " drew nothing";
    for (const std::string& screen : plain.taken) EXPECT_FALSE(shows_colour(screen)) << screen;
    if (c.standout_without_colour) {
        EXPECT_TRUE(plain.standout) << c.name << " lost its standout with NO_COLOR";
    }

    if (c.colour_without_no_color) {
        screens coloured = take_screens(c, "");
        EXPECT_TRUE(coloured.colour) << c.name << " shows no colour even with NO_COLOR empty";
    }
}

INSTANTIATE_TEST_SUITE_P(install, install_no_color, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<program_case>& info) { return info.param.name; });

}  // namespace
