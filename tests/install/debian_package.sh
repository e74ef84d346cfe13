#!/usr/bin/env bash
# Builds the Debian package the way the README says (a fresh optimised build of
# the source, programs in games, shared scores), and once more with the default
# layout; checks their contents and control data, runs lintian --pedantic on
# both and on their -dbgsym packages, and reads the hardening flags of every
# program from its ELF headers, the build's own included. Then (as root only)
# runs each package's maintainer scripts against a scratch copy of its files,
# so the machine's own directories and package database are never touched.
# usage: debian_package.sh SOURCE_DIR BUILD_DIR "PROGRAMS" MAN_DIR
set -uo pipefail

source_dir=$1 build=$2 man_dir=$4
read -r -a programs <<< "$3"
for tool in cmake cpack dpkg-deb dpkg-shlibdeps file readelf lintian; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/deps.sh test installs it)"; exit 77; }
done
[ ${#programs[@]} -gt 0 ] || { echo "SKIP: no program is configured"; exit 77; }

fail=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }
is_keeper() { case " arrowpip voltrider blockhop ropeheave " in *" $1 "*) return 0 ;; esac; return 1; }

work=$(mktemp -d /tmp/km-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT
pkg_build="$work/build"

# --- the hardening flags, read from the ELF headers
# One row per program: PIE, stack protector, fortified calls, RELRO, BIND_NOW.
elf_flags() {  # elf_flags FILE -> "PIE SSP FORTIFY RELRO NOW", each yes or no
    local header dynamic segments symbols
    header=$(readelf -hW "$1" 2>/dev/null)
    dynamic=$(readelf -dW "$1" 2>/dev/null)
    segments=$(readelf -lW "$1" 2>/dev/null)
    symbols=$(readelf --dyn-syms -W "$1" 2>/dev/null | awk '{sub(/@.*/, "", $8); print $8}')
    yn() { if "$@"; then echo yes; else echo no; fi; }
    # A position-independent executable: a shared object that says it is one.
    is_pie() { grep -q 'Type: *DYN' <<< "$header" && grep -q 'FLAGS_1.*PIE' <<< "$dynamic"; }
    echo "$(yn is_pie)" \
         "$(yn grep -qx '__stack_chk_fail' <<< "$symbols")" \
         "$(yn grep -Eqx '__[a-z0-9_]+_chk' <<< "$(grep -vx '__stack_chk_fail' <<< "$symbols")")" \
         "$(yn grep -q 'GNU_RELRO' <<< "$segments")" \
         "$(yn grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<< "$dynamic")"
}
# elf_table TITLE FORTIFY FILES...: prints the flags of each file and checks
# them; fortified calls only with FORTIFY=yes (glibc checks optimised code only).
elf_table() {
    local title=$1 fortify=$2 f pie ssp fort relro now what
    shift 2
    echo "--- hardening of $title"
    printf '    %-12s %-4s %-15s %-8s %-6s %s\n' program PIE stack-protector fortify RELRO BIND_NOW
    for f in "$@"; do
        read -r pie ssp fort relro now <<< "$(elf_flags "$f")"
        printf '    %-12s %-4s %-15s %-8s %-6s %s\n' "$(basename "$f")" "$pie" "$ssp" "$fort" "$relro" "$now"
        [ "$fortify" = yes ] || fort=yes
        what="PIE, a stack protector,$([ "$fortify" = yes ] && echo " fortified calls,") RELRO and immediate binding"
        check "$(basename "$f") ($title) has $what" [ "$pie $ssp $fort $relro $now" = "yes yes yes yes yes" ]
    done
}

# lintian_clean PACKAGE...: no error and no warning from lintian --pedantic.
lintian_clean() {
    local out status clean=no
    out=$(lintian --pedantic --fail-on error,warning "$@" 2>&1)
    status=$?
    # As root lintian says it would rather not be; that line is no finding.
    out=$(grep -vx 'running with root privileges is not recommended!' <<< "$out")
    echo "--- lintian --pedantic $(for p in "$@"; do basename "$p"; done | tr '\n' ' ')"
    if [ -z "$out" ]; then echo "    (no output)"; else sed 's/^/    /' <<< "$out"; fi
    [ $status -eq 0 ] && ! grep -q '^[EW]: ' <<< "$out" && clean=yes
    check "lintian --pedantic finds no error and no warning in $(basename "$1")${2:+ and $(basename "$2")}" \
        [ $clean = yes ]
}

# --- the README's package: an optimised build of its own, games in /usr/games, shared scores
echo "--- building the package as the README says, in $pkg_build"
if ! { cmake -S "$source_dir" -B "$pkg_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKM_TESTS=OFF \
           -DKM_GAMES_DIR=games -DKM_SHARED_SCORES=ON &&
       cmake --build "$pkg_build" -j"$(nproc)"; } > "$work/build.log" 2>&1; then
    cat "$work/build.log"
    exit 1
fi
for p in "${programs[@]}"; do
    [ -x "$pkg_build/bin/$p" ] || { echo "FAIL $p was not built"; exit 1; }
done

# make_package OUT_DIR: cpack in the package build; sets deb and ddeb.
make_package() {
    if ! (cd "$pkg_build" && cpack -G DEB -B "$1") > "$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        exit 1
    fi
    deb=$(ls "$1"/*.deb 2>/dev/null | head -1)
    ddeb=$(ls "$1"/*-dbgsym_*.ddeb 2>/dev/null | head -1)
    check "cpack made a package" [ -n "$deb" ]
    [ -n "$deb" ] || exit 1
    check "cpack made its -dbgsym package" [ -n "$ddeb" ]
    echo "package: $(basename "$deb") $(basename "${ddeb:-none}")"
}

score_dir=$(cache_value "$pkg_build" KM_SHARED_SCORE_DIR)
maintainer=$(cache_value "$pkg_build" KM_MAINTAINER)

# check_package SECTION BIN: the contents and control data of $deb and $ddeb.
check_package() {
    local section=$1 bin=$2
    local files want version
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's/^\.//' | sort)
    want=$(for p in "${programs[@]}"; do
               echo "$bin/$p"; echo "/usr/$man_dir/man6/$p.6.gz"; echo "/usr/share/applications/$p.desktop"
           done
           printf '%s\n' /usr/share/doc/kelmora/copyright /usr/share/doc/kelmora/changelog.Debian.gz \
                  /usr/share/lintian/overrides/kelmora)
    want=$(sort <<< "$want")
    check "the package holds the programs, their compressed manual pages and desktop entries, and its documents" \
        [ "$files" = "$want" ]
    [ "$files" = "$want" ] || diff <(echo "$want") <(echo "$files")
    check "the package ships the score directory $score_dir, so dpkg knows it" \
        grep -qx "\.$score_dir/" <<< "$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ {print $6}')"
    check "no file in the package is set-group-id (its files are root's)" \
        [ -z "$(dpkg-deb -c "$deb" | awk '$1 ~ /s/')" ]
    check "the package depends on the wide curses library" grep -q libncursesw <<< "$(dpkg-deb -f "$deb" Depends)"
    check "the package is in section $section" [ "$(dpkg-deb -f "$deb" Section)" = "$section" ]
    check "the maintainer is the KM_MAINTAINER setting" [ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ]
    check "the description's lines fit in 80 columns" \
        [ -z "$(dpkg-deb -f "$deb" Description | awk 'length($0) > 80')" ]
    version=$(dpkg-deb -f "$deb" Version)
    rm -rf "$work/data" && dpkg-deb -x "$deb" "$work/data"
    check "changelog.Debian.gz names the package's version $version" \
        grep -q "^kelmora ($version) " <<< "$(gzip -dc "$work/data/usr/share/doc/kelmora/changelog.Debian.gz")"
    check "the copyright file is machine-readable" \
        grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        "$work/data/usr/share/doc/kelmora/copyright"
    if [ -n "$ddeb" ]; then
        local debug_files p
        debug_files=$(dpkg-deb -c "$ddeb" | awk '{print $6}')
        for p in "${programs[@]}"; do
            check "$p is stripped, and its debug symbols are in the -dbgsym package" \
                debug_symbols_apart "$work/data$bin/$p" "$debug_files"
        done
    fi
}
# debug_symbols_apart PROGRAM DDEB_LISTING: no debug information in the
# program, and a file for its build id in the debug package.
debug_symbols_apart() {
    local id
    id=$(readelf -nW "$1" | sed -n 's/.*Build ID: *//p')
    [ -n "$id" ] && ! readelf -SW "$1" | grep -q '\.debug_info' &&
        grep -qx "\./usr/lib/debug/\.build-id/${id:0:2}/${id:2}\.debug" <<< "$2"
}

make_package "$work/games"
check_package games /usr/games
lintian_clean "$deb" ${ddeb:+"$ddeb"}
games_deb=$deb
elf_table "the package's programs" yes $(for p in "${programs[@]}"; do echo "$work/data/usr/games/$p"; done)

# --- the default layout: programs in /usr/bin, no shared scores
echo "--- the package with the default layout (KM_GAMES_DIR=bin, no shared scores)"
if ! cmake -S "$source_dir" -B "$pkg_build" -DKM_GAMES_DIR=bin -DKM_SHARED_SCORES=OFF > "$work/build.log" 2>&1; then
    cat "$work/build.log"
    exit 1
fi
make_package "$work/bin"
check_package misc /usr/bin
lintian_clean "$deb" ${ddeb:+"$ddeb"}
bin_deb=$deb

# --- the programs of this build itself, in its own build type
build_type=$(cache_value "$build" CMAKE_BUILD_TYPE)
case $build_type in Debug) fortify=no ;; *) fortify=yes ;; esac
own=()
for p in "${programs[@]}"; do [ -x "$build/bin/$p" ] && own+=("$build/bin/$p"); done
if [ ${#own[@]} -gt 0 ]; then
    elf_table "this build's programs ($build_type)" "$fortify" "${own[@]}"
else
    echo "skip: this build's programs are not built yet"
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP (rest): running the maintainer scripts on scratch directories needs root"
    exit $fail
fi

# --- maintainer scripts, on a scratch copy of a package's files
# A stand-in for dpkg-statoverride that knows the overrides listed in $work/overrides.
mkdir -p "$work/shim"
cat > "$work/shim/dpkg-statoverride" <<EOF
#!/bin/sh
[ "\$1" = --list ] && grep -qx "\$2" "$work/overrides" 2>/dev/null
EOF
chmod 0755 "$work/shim/dpkg-statoverride"

# run_scripts DEB BIN: unpacks DEB into a sandbox as dpkg would, with the
# scripts' directories moved into it, and runs postinst and postrm there.
run_scripts() {
    local deb=$1 bin=$2 sandbox="$work/root-$(basename "$2")"
    local package_group shared p script
    rm -rf "$sandbox" "$work/control"
    mkdir -p "$work/control"
    dpkg-deb -e "$deb" "$work/control"
    for script in postinst postrm; do
        check "$script parses" sh -n "$work/control/$script"
        check "$script is executable" [ -x "$work/control/$script" ]
        sed -e "s|^score_dir=\"|score_dir=\"$sandbox|" -e "s|^bin_dir=\"|bin_dir=\"$sandbox|" \
            "$work/control/$script" > "$work/$script"
    done
    package_group=$(sed -n 's/^group="\(.*\)"$/\1/p' "$work/postinst")
    shared=$([ -n "$package_group" ] && echo ON || echo OFF)
    if [ "$shared" = ON ] && ! getent group "$package_group" >/dev/null; then
        echo "SKIP (shared-scores scripts): no $package_group group on this machine, and postinst would add one"
        return
    fi
    unpack() { dpkg-deb -x "$deb" "$sandbox"; }
    # What dpkg does before postrm remove: the package's files go, its directories stay to us.
    remove_files() { dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed "s|^\.|$sandbox|" | xargs rm -f; }
    postinst() { PATH="$work/shim:$PATH" sh "$work/postinst" "$@"; }
    postrm() { PATH="$work/shim:$PATH" sh "$work/postrm" "$@"; }
    local dir="$sandbox$score_dir" parent="$sandbox$(dirname "$score_dir")"
    : > "$work/overrides"
    unpack
    echo "--- maintainer scripts of $(basename "$deb"), $([ "$shared" = ON ] && echo "shared scores, group $package_group" || echo "no shared scores")"

    check "postinst configure succeeds" postinst configure
    check "the score directory is there" [ -d "$dir" ]
    if [ "$shared" = ON ]; then
        check "the score directory is writable by $package_group only" \
            [ "$(stat -c '%U:%G %a' "$dir")" = "root:$package_group 775" ]
        for p in "${programs[@]}"; do
            if is_keeper "$p"; then
                check "$p is set-group-id $package_group" \
                    [ "$(stat -c '%U:%G %a' "$sandbox$bin/$p")" = "root:$package_group 2755" ]
                check "$p's lock file is root's, and only $package_group may open it" \
                    [ "$(stat -c '%U:%G %a' "$dir/${p}_scores.lock")" = "root:$package_group 640" ]
                check "$p's table is root's, for the games to rewrite in place" \
                    [ "$(stat -c '%U:%G %a' "$dir/${p}_scores")" = "root:$package_group 664" ]
            else
                check "$p has no extra privilege" [ "$(stat -c '%U:%G %a' "$sandbox$bin/$p")" = "root:root 755" ]
            fi
        done
        # An administrator's dpkg-statoverride wins: postinst leaves such a file as it is.
        chown root:root "$dir" "$sandbox$bin/arrowpip"
        chmod 0700 "$dir" "$sandbox$bin/arrowpip"
        printf '%s\n' "$dir" "$sandbox$bin/arrowpip" > "$work/overrides"
        check "postinst configure succeeds with overrides" postinst configure
        check "postinst leaves the score directory an override names as it is" \
            [ "$(stat -c '%U:%G %a' "$dir")" = "root:root 700" ]
        check "postinst leaves a game an override names as it is" \
            [ "$(stat -c '%U:%G %a' "$sandbox$bin/arrowpip")" = "root:root 700" ]
        : > "$work/overrides"
    else
        check "without shared scores the score directory is root's alone" [ "$(stat -c '%U:%G %a' "$dir")" = "root:root 755" ]
        for p in "${programs[@]}"; do
            check "$p has no extra privilege" [ "$(stat -c '%U:%G %a' "$sandbox$bin/$p")" = "root:root 755" ]
        done
    fi
    check "postinst can run again (reconfigure)" postinst configure

    echo "a : 1" > "$dir/probe_scores"
    remove_files
    check "postrm remove succeeds" postrm remove
    check "remove keeps the players' tables" [ -f "$dir/probe_scores" ]
    check "remove leaves $(dirname "$score_dir") to the other games" [ -d "$parent" ]
    check "postrm purge succeeds" postrm purge
    check "purge deletes the score directory" [ ! -e "$dir" ]
    check "purge leaves $(dirname "$score_dir") to the other games" [ -d "$parent" ]
    unpack
    postinst configure >/dev/null
    remove_files
    postrm remove
    check "remove leaves no empty score directory behind" [ ! -e "$dir" ]
    check "and still leaves $(dirname "$score_dir")" [ -d "$parent" ]
}

run_scripts "$games_deb" /usr/games
run_scripts "$bin_deb" /usr/bin

exit $fail
