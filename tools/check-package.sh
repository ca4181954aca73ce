#!/usr/bin/env bash
# Builds the Debian package from an already configured (and built) build folder and checks
# it: its contents, its desktop entry, that apt knows every package it names and, on a
# throw-away machine only (CI=true, as root), that it installs and its programs run.
#   tools/check-package.sh [BUILD_DIR]      (default: build)
# One line a check; exits non-zero when one fails.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "${1:-$here/build}" && pwd) || exit 2
work=$(mktemp -d /tmp/plx-package.XXXXXX)
installed_here=0
new_packages=()

cleanup() {
    if [ $installed_here -eq 1 ]; then
        # Leave the machine as it was: the package and whatever its installation added.
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq plxreader "${new_packages[@]}" \
            >"$work/remove.log" 2>&1 || { echo "FAIL  removing plxreader"; cat "$work/remove.log"; }
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "ok    $1"; }
fail() {
    echo "FAIL  $1"
    [ $# -gt 1 ] && [ -s "$2" ] && sed 's/^/      /' "$2" | tail -n 30
    failures=$((failures + 1))
}

# --- The package --------------------------------------------------------------------------
if cmake --build "$dir" --target package >"$work/build.log" 2>&1; then
    pass "package built (cmake --build $dir --target package)"
else
    fail "package built (cmake --build $dir --target package)" "$work/build.log"
    exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$dir/CMakeCache.txt")
deb="$dir/plxreader_${version}_$(dpkg --print-architecture).deb"
if [ -f "$deb" ]; then
    pass "$(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
else
    fail "$(basename "$deb") not found in $dir"
    exit 1
fi

for field in Depends Recommends Suggests; do
    echo "      $field: $(dpkg-deb -f "$deb" "$field")"
done

# --- Contents -----------------------------------------------------------------------------
dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/plxreader /usr/bin/plx /usr/share/applications/plxreader.desktop \
            /usr/share/icons/hicolor/scalable/apps/plxreader.svg \
            /usr/share/doc/plxreader/copyright /usr/share/doc/plxreader/changelog.Debian.gz \
            /usr/share/doc/plxreader/demo/README.md; do
    if grep -qx "$path" "$work/contents"; then
        pass "contents: $path"
    else
        fail "contents: $path"
    fi
done

# --- The desktop entry --------------------------------------------------------------------
dpkg-deb -x "$deb" "$work/root"
desktop="$work/root/usr/share/applications/plxreader.desktop"
if [ -f "$desktop" ] && desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 \
        && [ ! -s "$work/desktop.log" ]; then
    pass "desktop-file-validate plxreader.desktop"
else
    fail "desktop-file-validate plxreader.desktop" "$work/desktop.log"
fi
icon=$(sed -n 's/^Icon=//p' "$desktop" 2>/dev/null)
exec_prog=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" 2>/dev/null)
if [ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] \
        && [ -x "$work/root/usr/bin/$exec_prog" ]; then
    pass "desktop entry's Icon ($icon) and Exec ($exec_prog) are in the package"
else
    fail "desktop entry's Icon ($icon) and Exec ($exec_prog) are in the package"
fi

# --- Every package named is one apt knows -------------------------------------------------
unknown=()
for field in Depends Recommends Suggests; do
    for name in $(dpkg-deb -f "$deb" "$field" | tr ',|' '\n' | sed 's/(.*//; s/:any//' | xargs -n1); do
        apt-cache show "$name" >/dev/null 2>&1 || unknown+=("$name ($field)")
    done
done
if [ ${#unknown[@]} -eq 0 ]; then
    pass "apt knows every package of Depends, Recommends and Suggests"
else
    fail "apt does not know: ${unknown[*]}"
fi

# --- Installed: only on a throw-away machine ----------------------------------------------
if [ "${CI:-}" = "true" ] && [ "$(id -u)" -eq 0 ]; then
    if dpkg-query -W -f='${Status}' plxreader 2>/dev/null | grep -q "install ok installed"; then
        fail "install: plxreader is already installed on this machine; not touching it"
    else
        dpkg-query -W -f='${Package}:${Architecture}\n' | sort >"$work/before"
        installed_here=1
        if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
                >"$work/install.log" 2>&1; then
            pass "apt-get install ./$(basename "$deb")"
        else
            fail "apt-get install ./$(basename "$deb")" "$work/install.log"
        fi
        dpkg-query -W -f='${Package}:${Architecture}\n' | sort >"$work/after"
        mapfile -t new_packages < <(comm -13 "$work/before" "$work/after" | grep -v '^plxreader:')

        if /usr/bin/plx --help >"$work/help.log" 2>&1 && grep -q "^Utilisation : plx" "$work/help.log"; then
            pass "plx --help"
        else
            fail "plx --help" "$work/help.log"
        fi
        if ldd /usr/bin/plx /usr/bin/plxreader >"$work/ldd.log" 2>&1 && ! grep -q "not found" "$work/ldd.log"; then
            pass "every library of plx and plxreader is found"
        else
            grep "not found" "$work/ldd.log" >"$work/missing.log"
            fail "every library of plx and plxreader is found" "$work/missing.log"
        fi
        # The demo network's data is compiled into the programs.
        if (cd "$work" && /usr/bin/plx init --db demo.sqlite --demo \
                && /usr/bin/plx sql --db demo.sqlite "SELECT COUNT(*) FROM PLUVIOMETRES") >"$work/demo.log" 2>&1; then
            pass "plx init --demo: the demo network ($(tail -n 1 "$work/demo.log") stations)"
        else
            fail "plx init --demo" "$work/demo.log"
        fi
    fi
else
    echo "skip  installing the package (only with CI=true, as root, on a throw-away machine)"
fi

if [ $failures -ne 0 ]; then
    echo "package check: $failures failed"
    exit 1
fi
echo "package check: all passed"
