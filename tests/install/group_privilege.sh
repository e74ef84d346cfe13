#!/usr/bin/env bash
# The shared-scores install as an unprivileged player meets it: a set-group-id
# copy of the score store and of every score-keeping game built, run by a
# player created for the test, against directories that only the test's games
# group may write. The machine's own score directory is never touched.
# usage: group_privilege.sh PROBE BIN_DIR "PROGRAMS"
set -uo pipefail

probe=$1 bin_dir=$2
read -r -a programs <<< "$3"

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: this test creates a player and a set-group-id program, which needs root; run it as root"
    exit 77
fi
for tool in useradd userdel groupadd groupdel runuser tmux; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing"
        exit 77
    fi
done

fail=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}

group=kmgames$$
player=kmplayer$$
root=$(mktemp -d /tmp/km-privilege-XXXXXX)
cleanup() {
    userdel "$player" 2>/dev/null
    groupdel "$group" 2>/dev/null
    rm -rf "$root"
}
trap cleanup EXIT
groupadd "$group" || exit 1
useradd --no-create-home --user-group --shell /bin/sh "$player" || exit 1
games_gid=$(getent group "$group" | cut -d: -f3)
player_uid=$(id -u "$player")
player_gid=$(id -g "$player")
echo "player $player ($player_uid:$player_gid), games group $group ($games_gid)"

chmod 0755 "$root"
mkdir -p "$root/bin" "$root/home" "$root/own" "$root/run" "$root/shared" "$root/games_only" "$root/locked"
chown "$player:$player" "$root/home" "$root/own" "$root/run"
# Writable by the games group only, as an installed score directory is.
chown "root:$group" "$root/shared" "$root/games_only"
chmod 0775 "$root/shared" "$root/games_only"
chmod 0755 "$root/locked"

install -m 0755 "$probe" "$root/bin/plain_probe"
install -m 0755 "$probe" "$root/bin/probe"
chown "root:$group" "$root/bin/probe"
chmod 2755 "$root/bin/probe"

# as_player USER [VAR=value...] -- PROGRAM ARGS: a clean environment and umask 077,
# the least a player might have, so new tables must not inherit it.
as_player() {
    local who=$1; shift
    local vars=()
    while [ "$1" != -- ]; do vars+=("$1"); shift; done
    shift
    runuser -u "$who" -- env -i PATH=/usr/bin:/bin USER="$who" ASAN_OPTIONS=detect_leaks=0 "${vars[@]}" \
        sh -c 'umask 077; exec "$@"' sh "$@"
}
gids_line() { sed -n "s/^$1: real \([0-9]*\) effective \([0-9]*\) saved \([0-9]*\)$/\1 \2 \3/p" <<< "$2"; }
owner_of() { stat -c '%u:%g %a' "$1" 2>/dev/null; }
# as_installed NAME [FILE...]: the files of a shared table the install makes, root's
# and the games group's (all three unless named), as a game never can.
as_installed() {
    local name=$1; shift
    local files=("$@")
    [ ${#files[@]} -gt 0 ] || files=(lock table journal)
    for f in "${files[@]}"; do
        case $f in
            lock) install -m 0640 -o root -g "$group" /dev/null "$root/shared/$name.lock" ;;
            table) install -m 0664 -o root -g "$group" /dev/null "$root/shared/$name" ;;
            journal) install -m 0664 -o root -g "$group" /dev/null "$root/shared/$name.journal" ;;
        esac
    done
}

echo "--- shared table, with KM_SCORES_DIR pointing at a directory only the games group may write"
as_installed probe_scores
out=$(as_player "$player" HOME="$root/home" KM_SCORES_DIR="$root/games_only" -- "$root/bin/probe" "$root/shared" probe_scores 42)
echo "$out"
check "the group is given up for good at start: real, effective and saved" \
    [ "$(gids_line "after start" "$out")" = "$player_gid $player_gid $player_gid" ]
check "the merge did not take it back" [ "$(gids_line "after merge" "$out")" = "$player_gid $player_gid $player_gid" ]
check "the result entered the table" grep -qx "result: 0" <<< "$out"
check "KM_SCORES_DIR was refused: nothing written there" [ -z "$(ls -A "$root/games_only")" ]
check "the shared table holds the result" grep -qx "$player : 42" "$root/shared/probe_scores"
check "the shared table stayed the install's, the games group's to write and readable by all" \
    [ "$(owner_of "$root/shared/probe_scores")" = "0:$games_gid 664" ]
check "and its journal likewise" [ "$(owner_of "$root/shared/probe_scores.journal")" = "0:$games_gid 664" ]
check "and its lock file for the games group alone" [ "$(owner_of "$root/shared/probe_scores.lock")" = "0:$games_gid 640" ]
check "another player cannot open that lock file, so cannot hold it" \
    sh -c "! runuser -u nobody -- sh -c 'exec 3< \"$root/shared/probe_scores.lock\"' 2>/dev/null"
check "no table in the home directory" [ ! -e "$root/home/.probe_scores" ]

echo "--- another player merges into the same shared table"
out=$(as_player nobody KM_SCORES_DIR="$root/games_only" -- "$root/bin/probe" "$root/shared" probe_scores 50)
echo "$out"
check "the other player's result went in first" grep -qx "result: 0" <<< "$out"
check "both results are in the table, best first" [ "$(cut -d' ' -f3 "$root/shared/probe_scores" | tr '\n' ' ')" = "50 42 " ]
check "another player can read the table" runuser -u nobody -- test -r "$root/shared/probe_scores"

echo "--- a table of which the package made only the lock file: a game makes nothing there"
as_installed packaged_scores lock
out=$(as_player "$player" HOME="$root/home" -- "$root/bin/probe" "$root/shared" packaged_scores 9)
echo "$out"
check "no table or journal was made, which would have been the player's" \
    sh -c '[ ! -e "$1" ] && [ ! -e "$1.journal" ]' sh "$root/shared/packaged_scores"
check "the result went to the home file" grep -qx "$player : 9" "$root/home/.packaged_scores"
check "the lock file stayed root's" [ "$(owner_of "$root/shared/packaged_scores.lock")" = "0:$games_gid 640" ]
check "the player cannot open it" sh -c "! runuser -u '$player' -- sh -c 'exec 3< \"$root/shared/packaged_scores.lock\"' 2>/dev/null"

echo "--- a table the package made, root's, rewritten in place"
as_installed rooted_scores
printf 'champ : 100\n' > "$root/shared/rooted_scores"
out=$(as_player "$player" HOME="$root/home" -- "$root/bin/probe" "$root/shared" rooted_scores 11)
echo "$out"
check "the result went into the shared table" [ "$(cat "$root/shared/rooted_scores")" = "champ : 100
$player : 11" ]
check "the table stayed root's, so the player cannot edit it by hand" \
    [ "$(owner_of "$root/shared/rooted_scores")" = "0:$games_gid 664" ]
check "the player's own ids cannot write it" \
    sh -c "! runuser -u '$player' -- sh -c ': >> \"$root/shared/rooted_scores\"' 2>/dev/null"
check "its journal says no copy is pending" grep -q '^journal [0-9]* idle 0 ' "$root/shared/rooted_scores.journal"

echo "--- a hard link in place of a shared table"
printf 'precious : 1\n' > "$root/victim"
chown "root:$group" "$root/victim"
chmod 0664 "$root/victim"
ln "$root/victim" "$root/shared/linked_scores"
as_installed linked_scores lock journal
out=$(as_player "$player" HOME="$root/home" -- "$root/bin/probe" "$root/shared" linked_scores 12)
echo "$out"
check "the linked table was refused: the result went to the home file" grep -qx "$player : 12" "$root/home/.linked_scores"
check "the file it links to is unchanged" [ "$(cat "$root/victim")" = "precious : 1" ]

echo "--- KM_SCORES_DIR of the player's own"
out=$(as_player "$player" HOME="$root/home" KM_SCORES_DIR="$root/own" -- "$root/bin/probe" "$root/shared" own_scores 7)
echo "$out"
check "the table went to KM_SCORES_DIR" grep -qx "$player : 7" "$root/own/own_scores"
check "it was written with the player's own group, not the games group" \
    [ "$(stat -c '%u:%g' "$root/own/own_scores")" = "$player_uid:$player_gid" ]
# Opened at the start, before anyone knows where the result will go; a player's game makes none.
check "the shared table took nothing" [ ! -e "$root/shared/own_scores" ]

echo "--- a shared file the player owns: that table is refused"
for whose in lock table journal; do
    name=owned_${whose}_scores
    as_installed "$name"
    case $whose in lock) file=$name.lock ;; table) file=$name ;; journal) file=$name.journal ;; esac
    chown "$player" "$root/shared/$file"
    printf 'champ : 100\n' > "$root/shared/$name"
    out=$(as_player "$player" HOME="$root/home" -- "$root/bin/probe" "$root/shared" "$name" 13)
    echo "$out"
    check "a $whose the player owns: the result went to the home file" grep -qx "$player : 13" "$root/home/.$name"
    check "a $whose the player owns: the shared table is unchanged" [ "$(cat "$root/shared/$name")" = "champ : 100" ]
done

echo "--- shared directory closed to the games group too: the home file"
out=$(as_player "$player" HOME="$root/home" -- "$root/bin/probe" "$root/locked" home_scores 3)
echo "$out"
check "the result went to the home file" grep -qx "$player : 3" "$root/home/.home_scores"
check "the home file belongs to the player and the player's group" \
    [ "$(stat -c '%u:%g' "$root/home/.home_scores")" = "$player_uid:$player_gid" ]

echo "--- the same store without set-group-id"
out=$(as_player "$player" HOME="$root/home" -- "$root/bin/plain_probe" "$root/shared" plain_scores 5)
echo "$out"
check "the shared directory refuses the player's own ids" [ ! -e "$root/shared/plain_scores" ]
check "the result fell through to the home file" grep -qx "$player : 5" "$root/home/.plain_scores"

echo "--- the score-keeping games, installed set-group-id"
# A terminal description of the player's own, under a name only it has: a game
# that starts on it has read the player's file.
terminfo="$root/home/.terminfo"
if command -v tic >/dev/null && command -v infocmp >/dev/null; then
    infocmp screen | sed 's/^screen|[^,]*,/kmmarker|the player'"'"'s own description,/' > "$root/run/kmmarker.src"
    mkdir -p "$terminfo" && tic -o "$terminfo" "$root/run/kmmarker.src" && chown -R "$player:$player" "$terminfo"
fi
term=screen
[ -n "$(find "$terminfo" -name kmmarker 2>/dev/null)" ] && term=kmmarker
system_dir=$(sed -n 's/^KM_SHARED_SCORE_DIR:[A-Z]*=//p' "$bin_dir/../CMakeCache.txt")
[ -n "$system_dir" ] || system_dir=/var/games/kelmora
ran=0
for game in arrowpip voltrider blockhop ropeheave; do
    case " ${programs[*]} " in *" $game "*) ;; *) echo "skip $game: not built"; continue ;; esac
    [ -x "$bin_dir/$game" ] || { echo "skip $game: not built"; continue; }
    ran=1
    install -m 0755 "$bin_dir/$game" "$root/bin/$game"
    chown "root:$group" "$root/bin/$game"
    chmod 2755 "$root/bin/$game"
    sock="$root/run/$game.sock"
    tm() { runuser -u "$player" -- env -i PATH=/usr/bin:/bin HOME="$root/home" tmux -S "$sock" -f /dev/null "$@"; }
    # The player's own terminal descriptions: read, now, with nothing but the player's ids.
    tm new-session -d -x 80 -y 24 "exec env TERM=$term TERMINFO=$terminfo HOME=$root/home USER=$player KM_SCORES_DIR=$root/games_only ASAN_OPTIONS=detect_leaks=0 $root/bin/$game"
    status=""
    for _ in $(seq 100); do
        if [ -n "$(tm capture-pane -p 2>/dev/null | tr -d ' \n')" ]; then
            pid=$(tm display -p '#{pane_pid}')
            status=$(awk '/^Gid:/ {print $2, $3, $4}' "/proc/$pid/status" 2>/dev/null)
            break
        fi
        sleep 0.1
    done
    echo "$game running on TERM=$term: Gid real effective saved = $status"
    check "$game started on the terminal description of TERM=$term" \
        sh -c "! runuser -u '$player' -- env -i HOME='$root/home' tmux -S '$sock' capture-pane -p | grep -q 'Error opening terminal'"
    check "$game plays, once curses has started, with the player's group as real, effective and saved group" \
        [ "$status" = "$player_gid $player_gid $player_gid" ]
    # A recorded game goes on to the machine's score directory after the refused
    # KM_SCORES_DIR; only when the player cannot write there is it safe to play one.
    if [ "$game" = voltrider ] || runuser -u "$player" -- test -w "$system_dir" 2>/dev/null; then
        tm send-keys C-c  # records nothing (and voltrider only records a crash)
    else
        case $game in
            arrowpip)  # Esc ends the game; a key passes the final board
                tm send-keys Escape
                for _ in $(seq 50); do tm capture-pane -p | grep -q "Press any key" && break; sleep 0.1; done
                tm send-keys x ;;
            blockhop)  # a key passes "Press a key to see the high scores:", below a 24-line screen
                tm send-keys q; sleep 0.5; tm send-keys x ;;
            *) tm send-keys q ;;
        esac
        for _ in $(seq 100); do
            tm capture-pane -p | grep -q "Wanna play again" && break
            sleep 0.1
        done
        tm send-keys n
        sleep 0.5
        check "$game: KM_SCORES_DIR only the games group may write was refused" [ -z "$(ls -A "$root/games_only")" ]
        check "$game: the result fell through to the home file" grep -q "^$player : " "$root/home/.${game}_scores"
        check "$game: the home file is the player's own" \
            [ "$(stat -c '%u:%g' "$root/home/.${game}_scores" 2>/dev/null)" = "$player_uid:$player_gid" ]
    fi
    sleep 0.3
    tm kill-server 2>/dev/null
done
[ $ran -eq 1 ] || echo "no score-keeping game is built yet"

exit $fail
