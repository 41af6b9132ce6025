#!/usr/bin/env bash
# The Debian package of a build, packed by cpack and unpacked with dpkg -x into a temporary root:
# its dependencies (found by dpkg-shlibdeps) install here; every program runs from the root with
# the package's own libTVRT, has a manual page naming every option of its --help and is named in
# the AppStream metadata; nothing names the build folder, and tavrine-render renders the build's
# picture and draws a tilt plot (with its plot module) with that folder hidden; the MIME types,
# the metadata and lintian find no fault.
#
# Usage: package_test.sh BUILD_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (a packaging tool is missing).
set -uo pipefail

for tool in cpack dpkg-deb dpkg-shlibdeps file help2man lintian appstreamcli \
    update-mime-database; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/setup.sh has it)"; exit 77; }
done
build=$(cd "$1" && pwd) || exit 1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# run PROGRAM ARG...: runs an installed program as a user's shell would.
run() { env -u LD_LIBRARY_PATH "$@"; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
deb=$(echo "$work/pack"/tavrine_*_"$(dpkg --print-architecture)".deb)
[[ -f "$deb" ]] || { echo "FAIL: cpack made no single tavrine_VERSION_ARCH.deb" >&2; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
echo "package: ${deb##*/}, $(stat -c %s "$deb") bytes"
[[ "$(dpkg-deb -f "$deb" Depends)" == *libqt6widgets6* ]] || fail "Depends lacks the Qt libraries"
if [[ $(id -u) -eq 0 ]]; then
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 ||
        fail "apt-get cannot install the package: $(tail -n 3 "$work/apt.log")"
fi
root="$work/root"
dpkg -x "$deb" "$root" || exit 1
share="$root/usr/share"
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)

grep -rlF -- "$build" "$root" && fail "the files above name the build folder $build"
for program in "$root"/usr/bin/*; do
    name=${program##*/}
    [[ "$(run "$program" --version)" == "$name $version" ]] || fail "$name --version is wrong"
    libraries=$(run ldd "$program")
    if grep -q 'not found' <<<"$libraries" ||
        grep libTVRT <<<"$libraries" | grep -qvF "=> $root/"; then
        fail "$name does not load the package's libraries: $libraries"
    fi
    grep -qF "<binary>$name</binary>" "$metainfo" || fail "the AppStream metadata lacks $name"
    # The manual page, with roff's escapes and fonts taken out, names every option of --help.
    page=$(zcat "$share/man/man1/$name.1.gz" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g') ||
        { fail "no manual page $name(1)"; continue; }
    options=$(run "$program" --help | grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' |
        grep -oE -- '--?[[:alpha:]][[:alnum:]-]*' | sort -u)
    for option in $options; do
        grep -qF -- "$option" <<<"$page" || fail "the manual page $name(1) lacks $option"
    done
done
[[ -f "$share/bash-completion/completions/tavrine-render" ]] || fail "no bash completion"

# The installed tavrine-render renders the build's picture, with the build folder hidden under an
# empty file system where the test may (as root, in a mount namespace of its own).
hide=()
if [[ $(id -u) -eq 0 ]] && unshare -m true 2>/dev/null; then
    hide=(unshare -m sh -c 'mount -t tmpfs none "$0" && exec "$@"' "$build")
fi
"$build/cli/tavrine-render" --quiet --stone 4 --size 48 --out "$work/built.png" &&
    "${hide[@]}" env -u LD_LIBRARY_PATH "$root/usr/bin/tavrine-render" --quiet --stone 4 \
        --size 48 --out "$work/installed.png" && cmp -s "$work/installed.png" "$work/built.png" ||
    fail "the installed tavrine-render does not render the built one's picture"
# It draws a tilt plot with the package's plot module, which it loads only for that.
"${hide[@]}" env -u LD_LIBRARY_PATH "$root/usr/bin/tavrine-render" --quiet --stone 4 --size 32 \
    --tilt-sweep 10:10 --tilt-plot "$work/tilt.svg" >"$work/tilt.log" 2>&1 &&
    head -c 5 "$work/tilt.svg" | grep -qF '<?xml' ||
    fail "the installed tavrine-render draws no tilt plot: $(tail -n 2 "$work/tilt.log")"

# Each file kind is a MIME type that the desktop entry names.
mkdir -p "$work/mime/packages" && cp "$share"/mime/packages/*.xml "$work/mime/packages/"
update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || fail "the MIME types are refused"
named=$(sed -n 's/^MimeType=//p' "$share/applications/tavrine.desktop" | tr ';' '\n')
for glob in '*.gpi' '*.sqi' '*.asc' '*.gem'; do
    type=$(awk -F: -v g="$glob" '$3 == g { print $2 }' "$work/mime/globs2")
    [[ -n "$type" ]] && grep -qxF "$type" <<<"$named" || fail "$glob has no type the entry names"
done
# No network here: the addresses of the screenshot and the homepage are not fetched.
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects ${metainfo##*/}"
grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metadata has no release $version"
zcat "$share/doc/tavrine/changelog.gz" | head -n 1 | grep -qF "tavrine ($version)" ||
    fail "the changelog does not start at version $version"

report=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges')
echo "lintian: ${report:-no tags}"
grep -q '^E: ' <<<"$report" && fail "lintian reports errors"

((failures == 0)) || exit 1
echo "package: all checks passed"
