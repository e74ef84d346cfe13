#!/usr/bin/env bash
# Installs the build into a staging DESTDIR, the way a packager does, and
# checks the tree it leaves, that every manual page renders cleanly, or that
# every desktop entry is valid and starts its program in a terminal.
# usage: staged_install.sh tree|manuals|desktop BUILD_DIR "PROGRAMS" MAN_DIR
set -euo pipefail

mode=$1 build=$2
read -r -a programs <<< "$3"
if [ "$mode" = desktop ] && ! command -v desktop-file-validate >/dev/null; then
    echo "SKIP: desktop-file-validate is missing (scripts/deps.sh test installs desktop-file-utils)"
    exit 77
fi
fail=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
# A whole gzip file whose header holds no file name and no time (flags and mtime zero).
plain_gzip() { gzip -t "$1" && [ "$(od -An -tu1 -j3 -N5 "$1" | tr -s ' ')" = " 0 0 0 0 0" ]; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

if [ ${#programs[@]} -eq 0 ]; then
    echo "SKIP: no program is built yet"
    exit 77
fi
for p in "${programs[@]}"; do
    if [ ! -x "$build/bin/$p" ]; then
        echo "SKIP: $p is configured but not built; build everything first"
        exit 77
    fi
done

stage=$(mktemp -d /tmp/km-stage-XXXXXX)
trap 'rm -rf "$stage"' EXIT
games_dir=$(cache_value KM_GAMES_DIR)
man_dir=$4
score_dir=$(cache_value KM_SHARED_SCORE_DIR)
case $games_dir in /*) bin="$stage$games_dir" ;; *) bin="$stage/usr/$games_dir" ;; esac
man6="$stage/usr/$man_dir/man6"
applications="$stage/usr/share/applications"
doc="$stage/usr/share/doc/kelmora"

DESTDIR="$stage" cmake --install "$build" --prefix /usr > "$stage.log" 2>&1 || { cat "$stage.log"; rm -f "$stage.log"; exit 1; }
install_log=$(cat "$stage.log")
rm -f "$stage.log"

if [ "$mode" = tree ]; then
    expected=("${doc#"$stage"}/copyright")
    for p in "${programs[@]}"; do
        expected+=("${bin#"$stage"}/$p" "${man6#"$stage"}/$p.6.gz" "${applications#"$stage"}/$p.desktop")
    done
    actual=$(cd "$stage" && find . -type f -o -type l | sed 's/^\.//' | sort)
    want=$(printf '%s\n' "${expected[@]}" | sort)
    check "the staged tree holds the programs, their pages and desktop entries, and the copyright, nothing else" \
        [ "$actual" = "$want" ]
    [ "$actual" = "$want" ] || diff <(echo "$want") <(echo "$actual") || true
    for p in "${programs[@]}"; do
        # Never set-group-id in a staging tree: its files end up owned by root.
        check "$p is installed 0755" [ "$(stat -c %a "$bin/$p")" = 755 ]
        check "$p page is installed 0644" [ "$(stat -c %a "$man6/$p.6.gz")" = 644 ]
        check "$p page is compressed the Debian way (gzip -9n: no name, no time stamp)" plain_gzip "$man6/$p.6.gz"
    done
    check "the score directory is left to the package under DESTDIR" [ ! -e "$stage$score_dir" ]
    check "the install says what it left to the package" grep -q "score directory $score_dir not created" <<< "$install_log"
    echo "staged tree:"
    (cd "$stage" && find . -mindepth 1 | sort | sed 's/^\./   /')
elif [ "$mode" = desktop ]; then
    for p in "${programs[@]}"; do
        entry="$applications/$p.desktop"
        out=$(desktop-file-validate "$entry" 2>&1 || echo "desktop-file-validate failed")
        check "$p.desktop passes desktop-file-validate" [ -z "$out" ]
        [ -z "$out" ] || echo "$out"
        value() { sed -n "s/^$1=//p" "$entry"; }
        check "$p.desktop starts $p" [ "$(value Exec)" = "$p" ]
        check "$p.desktop runs it in a terminal" [ "$(value Terminal)" = true ]
        # Game; and one of the freedesktop sub-categories of games.
        check "$p.desktop lists it under Game with a sub-category" \
            grep -Eq '^Game;(ActionGame|AdventureGame|ArcadeGame|BoardGame|BlocksGame|CardGame|KidsGame|LogicGame|RolePlaying|Shooter|Simulation|SportsGame|StrategyGame);$' <<< "$(value Categories)"
        echo "   $p: $(value Categories) $(value Comment)"
    done
else
    export LC_ALL=C.UTF-8 MANWIDTH=80
    for p in "${programs[@]}"; do
        page="$man6/$p.6.gz"
        # Every groff warning, not only the macro ones man asks for by default.
        warnings=$(man --warnings=w -l "$page" 2>&1 >/dev/null || echo "man failed")
        check "$p(6) renders without warnings" [ -z "$warnings" ]
        [ -z "$warnings" ] || echo "$warnings"
        text=$(man -l "$page" 2>/dev/null | col -b)
        check "$p(6) has its name and synopsis" grep -q "^SYNOPSIS" <<< "$text"
        check "$p(6) has no unconfigured placeholder" [ -z "$(gzip -dc "$page" | grep -o '@[A-Za-z_]*@' || true)" ]
        [ "$p" != coilclash ] || check "$p(6) has OPTIONS" grep -q "^OPTIONS" <<< "$text"
        for section in KEYS ENVIRONMENT "EXIT STATUS"; do
            check "$p(6) has $section" grep -q "^$section" <<< "$text"
        done
        case " arrowpip voltrider blockhop ropeheave " in
            *" $p "*)
                for v in KM_SCORES_DIR KM_PLAYER USER HOME NO_COLOR; do
                    check "$p(6) documents $v" grep -Eq "^ *$v( |$)" <<< "$text"
                done
                # The three score locations, in the order the game tries them.
                order=$(grep -n -e "KM_SCORES_DIR/${p}_scores" -e "$score_dir/${p}_scores" -e "HOME/.${p}_scores" \
                        <<< "$text" | cut -d: -f2- | tr -d ' ' | tr '\n' ' ')
                check "$p(6) lists its score files in order" \
                    [ "$order" = "\$KM_SCORES_DIR/${p}_scores $score_dir/${p}_scores \$HOME/.${p}_scores " ]
                ;;
        esac
    done
fi
exit $fail
