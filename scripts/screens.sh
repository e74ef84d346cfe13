#!/usr/bin/env bash
# Takes a text picture of each program's screen from the real program in a
# real terminal (a private tmux server, 80 by 24, fresh HOME and score folder),
# a moment into a game or at the menu, and writes it into README.md between
# the lines <!-- screen NAME --> and <!-- /screen -->. Run it again whenever a
# screen changes; the games are random, so each run draws a different moment.
# usage: scripts/screens.sh [PROGRAM...]   (default: every program with such lines)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test >/dev/null
scripts/play.sh --build-only >/dev/null
bin="$PWD/build/play/bin"

root=$(mktemp -d /tmp/km-screens-XXXXXX)
trap 'tmux -S "$root/tmux.sock" kill-server 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/scores"
tm() { tmux -S "$root/tmux.sock" -f /dev/null "$@"; }
screen() { tm capture-pane -p; }
keys() { tm send-keys "$@"; }
pause() { sleep "$1"; }

# How far into each program the picture is taken.
drive_coilclash() { pause 0.4; }
drive_arrowpip() { pause 0.5; for letter in k e l m o r a; do keys "$letter"; pause 0.3; done; pause 0.8; }
drive_voltrider() { pause 2; }
drive_blockhop() { pause 1.5; }
drive_ropeheave() {
    # Types what the opponent's rope asks for: the first character of the
    # line below "Type!".
    local i next
    pause 0.8
    for i in $(seq 12); do
        next=$(screen | awk 'col { print substr($0, col, 1); exit }
                             (c = index($0, "Type!")) { col = c }')
        [ -n "$next" ] && [ "$next" != " " ] && keys -l "$next"
        pause 0.15
    done
}
drive_glyphpair() { pause 0.5; keys Enter; pause 0.2; keys Right Right Down; pause 0.2; keys Enter; pause 0.2; }
drive_kelmora() { pause 0.5; keys Enter; pause 0.5; }

# The screen as text. Blanks drawn in standout or reverse (a snake's body, a
# frame) are blocks of colour to the player, so a run of them becomes full
# blocks here; highlighted words keep their spaces. capture-pane -e marks such
# cells with the SGR attributes 3 (italics, which is standout for TERM=screen)
# and 7 (reverse).
text_with_blocks() {
    tm capture-pane -p -e -N | awk '{
        # The attributes carry on from the end of one row to the next.
        n = length($0); cells = 0
        for (i = 1; i <= n; i++) {
            c = substr($0, i, 1)
            if (c == "\033" && substr($0, i + 1, 1) == "[") {
                j = i + 2
                while (j <= n && substr($0, j, 1) !~ /[A-Za-z]/) j++
                if (substr($0, j, 1) == "m") {
                    k = split(substr($0, i + 2, j - i - 2), p, ";")
                    if (k == 0) { standout = 0; reverse = 0 }
                    for (m = 1; m <= k; m++) {
                        if (p[m] == "38" || p[m] == "48") { m += (p[m + 1] == "5") ? 2 : 4; continue }
                        if (p[m] == "" || p[m] == "0") { standout = 0; reverse = 0 }
                        else if (p[m] == "3") standout = 1
                        else if (p[m] == "23") standout = 0
                        else if (p[m] == "7") reverse = 1
                        else if (p[m] == "27") reverse = 0
                    }
                }
                i = j; continue
            }
            cells++; ch[cells] = c; hl[cells] = standout + 2 * reverse
        }
        out = ""
        for (i = 1; i <= cells; i++) {
            if (!hl[i]) { out = out ch[i]; continue }
            blank = 1
            for (j = i; j <= cells && hl[j] == hl[i]; j++) if (ch[j] != " ") blank = 0
            for (m = i; m < j; m++) out = out (blank ? "\342\226\210" : ch[m])
            i = j - 1
        }
        print out
    }'
}

# capture PROGRAM: the screen as text, trailing blanks and empty last rows dropped.
capture() {
    local program=$1 pid
    tm new-session -d -x 80 -y 24 \
        "exec env -u NO_COLOR -u KM_PLAYER TERM=screen LANG=C.UTF-8 LC_ALL=C.UTF-8 USER=player \
              HOME='$root/home' KM_SCORES_DIR='$root/scores' PATH='$bin':/usr/bin:/bin '$bin/$program'"
    tm set-option -g status off >/dev/null
    "drive_$program"
    # Stopped between two frames, so the picture is one whole frame.
    pid=$(tm display-message -p '#{pane_pid}')
    kill -STOP "$pid"
    text_with_blocks | sed 's/[[:space:]]*$//' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
    kill -CONT "$pid"
    tm kill-server
}

programs=("$@")
[ ${#programs[@]} -gt 0 ] || read -r -a programs <<< "$(sed -n 's/^<!-- screen \([a-z]*\) -->$/\1/p' README.md | tr '\n' ' ')"
for program in "${programs[@]}"; do
    grep -qx "<!-- screen $program -->" README.md || { echo "README.md has no <!-- screen $program --> line" >&2; exit 1; }
    capture "$program" > "$root/$program.txt"
    # The lines between the markers become the new picture, fenced as text.
    awk -v name="$program" -v picture="$root/$program.txt" '
        $0 == "<!-- screen " name " -->" {
            print; print "```text"
            while ((getline line < picture) > 0) print line
            print "```"; skipping = 1; next
        }
        skipping && $0 == "<!-- /screen -->" { skipping = 0 }
        !skipping' README.md > "$root/README.md"
    cat "$root/README.md" > README.md
    echo "$program: $(wc -l < "$root/$program.txt") rows"
done
