#!/usr/bin/env bash
# The Debian package of a build, packed by cpack and unpacked with dpkg -x into a temporary root,
# checked as an installed system uses it: its dependencies found by dpkg-shlibdeps (and, as root,
# installable here); every program runs from its installed path, loads the package's own
# libTVRT, and nothing installed names the build folder; tavrine-render renders there the
# picture the build renders; every program has a manual page naming every option of its --help,
# is named in the AppStream metadata, and has its bash completion where it has one; the desktop
# entry, the MIME types and the metadata validate; the changelog and the metadata carry the
# package's version; lintian reports no error.
#
# Usage: package_test.sh BUILD_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (a packaging tool is missing).
set -uo pipefail

for tool in cpack dpkg-deb dpkg-shlibdeps file help2man ldd; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: '$tool' not found (scripts/setup.sh installs it)"
        exit 77
    fi
done
build=$(cd "$1" && pwd) || exit 1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# run PROGRAM ARG...: runs an installed program as a user's shell would, with no library path.
run() { env -u LD_LIBRARY_PATH "$@"; }

# ---- The package ----------------------------------------------------------------------------
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack failed" >&2
    exit 1
fi
packages=("$work/pack"/tavrine_*_"$(dpkg --print-architecture)".deb)
if [[ ${#packages[@]} -ne 1 || ! -f ${packages[0]} ]]; then
    echo "FAIL: cpack made no single tavrine_VERSION_ARCH.deb" >&2
    exit 1
fi
deb=${packages[0]}
version=$(dpkg-deb -f "$deb" Version)
echo "package: ${deb##*/}, $(stat -c %s "$deb") bytes"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libpng16-16 libgif7; do
    [[ "$depends" == *"$library "* ]] || fail "Depends lacks $library: '$depends'"
done
if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null 2>&1; then
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 ||
        fail "apt-get cannot install the package here: $(tail -n 3 "$work/apt.log")"
fi

root="$work/root"
dpkg -x "$deb" "$root" || exit 1
share="$root/usr/share"
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)

# ---- Nothing points into the build ----------------------------------------------------------
while IFS= read -r -d '' file; do
    if [[ $file == *.gz ]] && zcat "$file" | grep -qF -- "$build"; then
        fail "${file#"$root"} names the build folder $build"
    elif [[ $file != *.gz ]] && grep -qF -- "$build" "$file"; then
        fail "${file#"$root"} names the build folder $build"
    fi
done < <(find "$root" -type f -print0)

# ---- Every program, from its installed path -------------------------------------------------
programs=("$root"/usr/bin/*)
[[ -x ${programs[0]} ]] || fail "the package holds no program"
for program in "${programs[@]}"; do
    name=${program##*/}
    said=$(run "$program" --version) || fail "$name --version fails"
    [[ "$said" == "$name $version" ]] || fail "$name --version says '$said', not '$name $version'"
    libraries=$(run ldd "$program")
    grep -q 'not found' <<<"$libraries" && fail "$name misses libraries: $libraries"
    if grep 'libTVRT' <<<"$libraries" | grep -qvF -- "=> $root/"; then
        fail "$name loads a libTVRT from outside the package: $(grep libTVRT <<<"$libraries")"
    fi
    grep -qF "<binary>$name</binary>" "$metainfo" || fail "the AppStream metadata lacks $name"

    # The manual page names every option of --help (roff escapes and fonts taken out).
    page="$share/man/man1/$name.1.gz"
    if [[ ! -f $page ]]; then
        fail "no manual page $name(1)"
        continue
    fi
    text=$(zcat "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')
    options=$(run "$program" --help | grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' |
        grep -oE -- '--?[[:alpha:]][[:alnum:]-]*' | sort -u)
    [[ -n "$options" ]] || fail "$name --help names no option"
    for option in $options; do
        grep -qF -- "$option" <<<"$text" || fail "the manual page $name(1) lacks $option"
    done
done
for name in tavrine-render tavrine-catalogue; do
    if [[ -e "$root/usr/bin/$name" && ! -f "$share/bash-completion/completions/$name" ]]; then
        fail "no bash completion for $name"
    fi
done

run "$root/usr/bin/tavrine-render" --quiet --stone 4 --size 48 --out "$work/installed.png" ||
    fail "the installed tavrine-render cannot render"
"$build/cli/tavrine-render" --quiet --stone 4 --size 48 --out "$work/built.png" ||
    fail "the built tavrine-render cannot render"
cmp -s "$work/installed.png" "$work/built.png" ||
    fail "the installed tavrine-render renders another picture than the built one"

# ---- Desktop entry, MIME types, metadata, documents -----------------------------------------
desktop="$share/applications/tavrine.desktop"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects tavrine.desktop"
fi
# Each type the desktop entry names is defined, and each file kind maps to one of them.
mkdir -p "$work/mime/packages"
cp "$share"/mime/packages/*.xml "$work/mime/packages/"
if update-mime-database "$work/mime" >"$work/mime.log" 2>&1; then
    named=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d')
    for type in $named; do
        grep -qxF "$type" "$work/mime/types" || fail "the desktop entry names $type, not defined"
    done
    for glob in '*.gpi' '*.sqi' '*.asc' '*.gem'; do
        type=$(awk -F: -v g="$glob" '$3 == g { print $2 }' "$work/mime/globs2")
        [[ -n "$type" ]] && grep -qxF "$type" <<<"$named" ||
            fail "$glob is not a MIME type that the desktop entry names"
    done
else
    fail "update-mime-database rejects the MIME types: $(cat "$work/mime.log")"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    # No network here: the screenshot's and homepage's addresses are not fetched.
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects ${metainfo##*/}"
fi
grep -qF "<release version=\"$version\"" "$metainfo" ||
    fail "the AppStream metadata has no release $version"
zcat "$share/doc/tavrine/changelog.gz" | head -n 1 | grep -qF "tavrine ($version)" ||
    fail "the changelog does not start at version $version"

# ---- lintian --------------------------------------------------------------------------------
if command -v lintian >/dev/null 2>&1; then
    report=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges')
    [[ -n "$report" ]] && echo "$report"
    grep -q '^E: ' <<<"$report" && fail "lintian reports errors"
else
    echo "note: lintian not found; the package was not checked by it"
fi

if ((failures > 0)); then
    exit 1
fi
echo "package: all checks passed"
