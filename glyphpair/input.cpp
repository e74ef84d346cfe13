// Keys and mouse reports of the pairs game, turned into what they mean.
#include "input.h"

namespace glyphpair {

void start_mouse() {
    mousemask(ALL_MOUSE_EVENTS, nullptr);
    take_mouse_reports(mouse_keys::every_report);
}

one_key_per_click::one_key_per_click() : before_(take_mouse_reports(mouse_keys::ends_of_clicks)) {}

one_key_per_click::~one_key_per_click() { take_mouse_reports(before_); }

command command_of_key(int key) {
    const command move = direction_of_key(
        key, directions_as<command>{
                 .none = command::none, .up = command::up, .down = command::down, .left = command::left, .right = command::right});
    if (move != command::none) return move;
    switch (key) {
    case '\n':
    case KEY_ENTER:
        return command::turn;
    case '?':
    case KEY_F(1):
        return command::controls_help;
    case '!':
    case KEY_F(2):
        return command::gameplay_help;
    case 'q':
    case 27:
        return command::quit;
    default:
        return command::none;
    }
}

mouse_report report_of(const raw_mouse& report) {
    mouse_report r{report.y, report.x, button1::other};
    // A release in the basic encoding names no button: it ends whatever was
    // held, and the click tracker knows whether that was a button-1 press.
    if (report.what == raw_mouse::act::press && report.button == 1) r.action = button1::pressed;
    else if (report.what == raw_mouse::act::release && (report.button == 1 || report.button == 0))
        r.action = button1::released;
    return r;
}

order order_of_key(int key, click_tracker& clicks) {
    if (key != KEY_MOUSE) return {command_of_key(key)};
    return order_of_mouse(clicks, report_of(last_mouse_report()));
}

}  // namespace glyphpair
