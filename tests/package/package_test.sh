#!/usr/bin/env bash
# What a Debian user meets: the manual pages (clean roff, every option of
# --help), the bash completion run through `complete`, the desktop and
# AppStream entries, one version everywhere, and the .deb itself: lintian
# without errors, the programs answering --version from the unpacked files.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION DATE CPACK
set -euo pipefail
build=$1 src=$2 version=$3 date=$4 cpack=$5
batch=$build/batch/velmora-batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "package: FAIL: $*" >&2; failed=1; }

# Manual pages: no groff warnings, every option --help lists is in the page.
options() { "$@" --help | grep -oE '^ +(-[a-zA-Z], ?)?--?[a-zA-Z][a-zA-Z-]*' | tr -d ' ' | tr , '\n'; }
check_page() {
    local page=$1
    shift
    local warnings
    warnings=$(groff -man -ww -z "$page" 2>&1) || true
    [ -z "$warnings" ] || fail "groff warns on $(basename "$page"): $warnings"
    sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page" >"$work/page"
    for option in $(options "$@"); do
        grep -qE -- "(^|[^a-zA-Z-])$option([^a-zA-Z-]|$)" "$work/page" ||
            fail "$(basename "$page") lacks $option"
    done
}
check_page "$build/app/velmora.1" "$build/app/velmora"
check_page "$build/batch/velmora-batch.1" "$batch"
for command in $("$batch" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1}'); do
    check_page "$build/batch/velmora-batch.1" "$batch" "$command"
done

# Completion, as bash runs it after Tab: COMP_WORDS and COMP_CWORD set, the
# function `complete` names for velmora-batch called, COMPREPLY read.
mkdir -p "$work/files/plots"
touch "$work/files/a.svg" "$work/files/b.csv"
offered() {
    (cd "$work/files" && bash --norc --noprofile -c '
        source "$1"; shift
        function=$(complete -p velmora-batch | grep -oE -- "-F [^ ]+" | cut -c4-)
        COMP_WORDS=(velmora-batch "$@"); COMP_CWORD=$#
        "$function" velmora-batch "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$build/batch/velmora-batch.bash" "$@")
}
completes() {
    local expected=$1
    shift
    local got
    got=$(offered "$@")
    [ "$got" = "$expected" ] || fail "completion of '$*': '$got', expected '$expected'"
}
completes "--form --format " --fo
completes "pyramid rectangle " --runs 5 --form ""
completes "csv " --format = c
completes "a.svg plots " --plot ""
completes "a.svg b.csv plots " --trace ""
completes " " --seed ""
# Values the research options will take, once --help lists them.
help=$("$batch" --help)
for option in --vary --design --seeds; do
    grep -q -- "$option " <<<"$help" || continue
    got=$(offered "$option" "")
    [[ "$got" =~ [a-z] && "$got" != *--* ]] || fail "completion after $option: '$got'"
done

# Desktop and AppStream entries.
appstreamcli validate --no-net "$build/data/io.github.velmora.Velmora.metainfo.xml" >"$work/log" 2>&1 ||
    fail "appstreamcli: $(cat "$work/log")"
desktop-file-validate "$src/data/io.github.velmora.Velmora.desktop" >"$work/log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/log")"

# One version and one release date everywhere.
grep -qx "version: $version" "$src/CITATION.cff" || fail "CITATION.cff is not at version $version"
grep -qx "date-released: $date" "$src/CITATION.cff" || fail "CITATION.cff is not dated $date"
grep -qx "## \[$version\] - $date" "$src/CHANGELOG.md" || fail "CHANGELOG.md has no entry $version - $date"

# The package: named as Debian names it, lintian without errors, complete,
# and both programs run from the unpacked files without a display.
"$cpack" -G DEB -B "$work/deb" --config "$build/CPackConfig.cmake" >"$work/log" 2>&1 ||
    fail "cpack: $(cat "$work/log")"
deb=$work/deb/velmora_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { fail "no $(basename "$deb")"; exit 1; }
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian reports errors"
grep -v 'running with root' "$work/lintian" | sed 's/^/package: lintian: /' || true
dpkg-deb -x "$deb" "$work/root"
for path in bin/velmora bin/velmora-batch share/man/man1/velmora.1.gz \
    share/man/man1/velmora-batch.1.gz share/bash-completion/completions/velmora-batch \
    share/applications/io.github.velmora.Velmora.desktop \
    share/metainfo/io.github.velmora.Velmora.metainfo.xml \
    share/icons/hicolor/scalable/apps/velmora.svg share/icons/hicolor/48x48/apps/velmora.png \
    share/doc/velmora/copyright share/doc/velmora/changelog.gz share/doc/velmora/README.md \
    share/doc/velmora/files.md; do
    [ -f "$work/root/usr/$path" ] || fail "the package lacks /usr/$path"
done
control=$(dpkg-deb -f "$deb" Depends Recommends)
grep -q '^Depends:.*qt6-qpa-plugins' <<<"$control" || fail "the package does not depend on qt6-qpa-plugins"
for font in fonts-liberation fonts-ipafont-gothic; do
    grep -q "^Recommends:.*$font" <<<"$control" || fail "the package does not recommend $font"
done
# Without a graphical session the window says so in one line, instead of Qt's abort.
for display in "" :97; do
    status=0
    message=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$work/root/usr/bin/velmora" 2>&1) ||
        status=$?
    [ "$status" -eq 1 ] && [ "$(wc -l <<<"$message")" -eq 1 ] && [[ $message == *"graphical session"* ]] ||
        fail "velmora with DISPLAY='$display' exits $status: $message"
done
for program in velmora velmora-batch; do
    got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/$program" --version) ||
        fail "$program --version failed"
    [ "$got" = "$program $version" ] || fail "$program --version: '$got'"
done
# The Python package, in a build that has it: lintian without errors, and
# Debian's interpreter imports it from the unpacked files.
if [ -d "$build/python/velmora" ]; then
    pydeb=$work/deb/python3-velmora_${version}_$(dpkg --print-architecture).deb
    [ -f "$pydeb" ] || { fail "no $(basename "$pydeb")"; exit 1; }
    lintian --fail-on error "$pydeb" >"$work/lintian" 2>&1 || fail "lintian reports errors on $(basename "$pydeb")"
    grep -v 'running with root' "$work/lintian" | sed 's/^/package: lintian: /' || true
    dpkg-deb -f "$pydeb" Depends | grep -q 'python3-pandas' || fail "python3-velmora does not depend on python3-pandas"
    dpkg-deb -x "$pydeb" "$work/pyroot"
    got=$(cd "$work" && PYTHONPATH="$work/pyroot/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
        'import velmora; print(velmora.__version__, len(velmora.run(runs=2, seed=1).runs))') ||
        fail "python3-velmora does not import"
    [ "$got" = "$version 16" ] || fail "python3-velmora: '$got'"
fi
[ "$failed" -eq 0 ] && echo "package: passed ($(du -k "$deb" | cut -f1) KiB)"
exit "$failed"
