#!/usr/bin/env bash
# Builds the Debian package of the build with cpack, into a folder of its own,
# and checks its contents and control data; then runs its maintainer scripts
# against a scratch score directory and scratch programs (as root only), so
# the machine's own directories and package database are never touched.
# usage: debian_package.sh BUILD_DIR "PROGRAMS" MAN_DIR
set -uo pipefail

build=$1 man_dir=$3
read -r -a programs <<< "$2"
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/deps.sh installs it)"; exit 77; }
done
[ ${#programs[@]} -gt 0 ] || { echo "SKIP: no program is built yet"; exit 77; }
for p in "${programs[@]}"; do
    [ -x "$build/bin/$p" ] || { echo "SKIP: $p is configured but not built; build everything first"; exit 77; }
done

fail=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

work=$(mktemp -d /tmp/km-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
deb=$(ls "$work"/out/*.deb 2>/dev/null | head -1)
check "cpack made a package" [ -n "$deb" ]
[ -n "$deb" ] || exit 1
echo "package: $(basename "$deb")"

games_dir=$(cache_value KM_GAMES_DIR)
score_dir=$(cache_value KM_SHARED_SCORE_DIR)
shared=$(cache_value KM_SHARED_SCORES)
group=$(cache_value KM_GAMES_GROUP)
case $games_dir in /*) bin=$games_dir ;; *) bin=/usr/$games_dir ;; esac

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's/^\.//' | sort)
want=$(for p in "${programs[@]}"; do echo "$bin/$p"; echo "/usr/$man_dir/man6/$p.6"; done | sort)
check "the package holds the programs and their manual pages" [ "$files" = "$want" ]
[ "$files" = "$want" ] || diff <(echo "$want") <(echo "$files")
check "no file in the package is set-group-id (its files are root's)" \
    [ -z "$(dpkg-deb -c "$deb" | awk '$1 ~ /s/')" ]
check "the package depends on the wide curses library" grep -q libncursesw <<< "$(dpkg-deb -f "$deb" Depends)"
check "the package is in section games" [ "$(dpkg-deb -f "$deb" Section)" = games ]

mkdir -p "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    check "$script parses" sh -n "$work/control/$script"
    check "$script is executable" [ -x "$work/control/$script" ]
done

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP (rest): running the maintainer scripts on scratch directories needs root"
    exit $fail
fi

# Runs the scripts with their directories moved into a scratch folder; GROUP
# empty runs them as packaged, else as a shared-scores package for GROUP.
run_scripts() {
    local group=$1 sandbox="$work/root-${1:-packaged}"
    local shared_run=$shared
    mkdir -p "$sandbox$bin"
    for p in "${programs[@]}"; do install -m 0755 "$build/bin/$p" "$sandbox$bin/$p"; done
    for script in postinst postrm; do
        sed -e "s|^score_dir=\"|score_dir=\"$sandbox|" -e "s|^bin_dir=\"|bin_dir=\"$sandbox|" \
            "$work/control/$script" > "$work/$script"
        if [ -n "$group" ]; then sed -i "s|^group=\".*\"|group=\"$group\"|" "$work/$script"; shared_run=ON; fi
    done
    [ -n "$group" ] || group=$packaged_group
    echo "--- maintainer scripts, $([ "$shared_run" = ON ] && echo "shared scores, group $group" || echo "no shared scores")"
    local dir="$sandbox$score_dir"

    check "postinst configure succeeds" sh "$work/postinst" configure
    check "postinst made the score directory" [ -d "$dir" ]
    if [ "$shared_run" = ON ]; then
        check "the score directory is writable by $group only" [ "$(stat -c '%U:%G %a' "$dir")" = "root:$group 775" ]
        for p in "${programs[@]}"; do
            case " arrowpip voltrider blockhop ropeheave " in
                *" $p "*)
                    check "$p is set-group-id $group" [ "$(stat -c '%U:%G %a' "$sandbox$bin/$p")" = "root:$group 2755" ]
                    check "$p's lock file is root's and opened by the games group alone, so no player can shut the others out" \
                        [ "$(stat -c '%U:%G %a' "$dir/${p}_scores.lock")" = "root:$group 640" ]
                    check "$p's table is root's, for the games to rewrite in place" \
                        [ "$(stat -c '%U:%G %a' "$dir/${p}_scores")" = "root:$group 664" ]
                    ;;
                *) check "$p has no extra privilege" [ "$(stat -c '%a' "$sandbox$bin/$p")" = 755 ] ;;
            esac
        done
    else
        check "without shared scores the score directory is root's alone" [ "$(stat -c '%U %a' "$dir")" = "root 755" ]
        for p in "${programs[@]}"; do
            check "$p has no extra privilege" [ "$(stat -c '%a' "$sandbox$bin/$p")" = 755 ]
        done
    fi
    check "postinst can run again (reconfigure)" sh "$work/postinst" configure

    echo "a : 1" > "$dir/probe_scores"
    check "postrm remove succeeds" sh "$work/postrm" remove
    check "remove keeps the players' tables" [ -f "$dir/probe_scores" ]
    check "postrm purge succeeds" sh "$work/postrm" purge
    check "purge deletes the score directory" [ ! -e "$dir" ]
    sh "$work/postinst" configure >/dev/null
    sh "$work/postrm" remove
    check "remove leaves no empty score directory behind" [ ! -e "$dir" ]
}

packaged_group=$group
run_scripts ""
if [ "$shared" != ON ]; then
    if getent group games >/dev/null; then
        run_scripts games
    else
        echo "SKIP (shared-scores scripts): no games group on this machine"
    fi
fi

exit $fail
