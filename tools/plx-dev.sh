#!/usr/bin/env bash
# Set-up, build and run for developers and CI, on Debian 12 (as root, or with sudo).
#   tools/plx-dev.sh run              install what is missing, build, open the client
#   tools/plx-dev.sh test [--sanitize] install what is missing, build, run every test
#                                      against SQLite and a private PostgreSQL server,
#                                      then build and check the .deb (not with --sanitize)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-}
shift || true
sanitize=0
[ "${1:-}" = "--sanitize" ] && sanitize=1

packages=(cmake ninja-build g++ pkg-config python3
    qt6-base-dev qt6-svg-dev libqcustomplot-dev libqt6sql6-odbc libqt6sql6-sqlite
    libsqlite3-dev sqlite3 libpq-dev postgresql postgresql-client
    unixodbc unixodbc-dev odbc-postgresql
    mdbtools mdbtools-dev libquazip1-qt6-dev zlib1g-dev
    libgtest-dev dpkg-dev desktop-file-utils
    libreoffice-writer-nogui libreoffice-calc-nogui poppler-utils)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
    local dir=$1; shift
    cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir"
}

# A private PostgreSQL server: French-style settings (day-first DateStyle, Paris time zone)
# so that the tests meet the traps a real French server sets.
pg_start() {
    local bindir
    bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
    pgdir=$(mktemp -d /tmp/plx-pg.XXXXXX)
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres "$pgdir"
        as=(runuser -u postgres --)
    fi
    PLX_TEST_PG_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    PLX_TEST_PG_USER=$("${as[@]}" id -un)
    "${as[@]}" "$bindir/initdb" -D "$pgdir/data" -A trust -U "$PLX_TEST_PG_USER" -E UTF8 --locale=C.UTF-8 >/dev/null
    # One role that must give its password, to test a refused login.
    { echo "host all plx_pw 127.0.0.1/32 scram-sha-256"; cat "$pgdir/data/pg_hba.conf"; } > "$pgdir/hba"
    "${as[@]}" cp "$pgdir/hba" "$pgdir/data/pg_hba.conf"
    "${as[@]}" "$bindir/pg_ctl" -D "$pgdir/data" -l "$pgdir/log" -w -o \
        "-p $PLX_TEST_PG_PORT -k $pgdir -c listen_addresses=127.0.0.1 -c timezone=Europe/Paris -c datestyle='iso, dmy' -c fsync=off" start >/dev/null
    export PLX_TEST_PG_PORT PLX_TEST_PG_USER
    # For the tests that stop and start the server under a connected client.
    PLX_TEST_PG_DATA="$pgdir/data"
    PLX_TEST_PG_CTL="$bindir/pg_ctl"
    PLX_TEST_PG_OSUSER=$([ "$(id -u)" -eq 0 ] && echo postgres || true)
    export PLX_TEST_PG_DATA PLX_TEST_PG_CTL PLX_TEST_PG_OSUSER
    "${as[@]}" psql -q -h 127.0.0.1 -p "$PLX_TEST_PG_PORT" -U "$PLX_TEST_PG_USER" -d postgres \
        -c "CREATE ROLE plx_pw LOGIN PASSWORD 'secret'" >/dev/null
    export PLX_TEST_REQUIRE_PG=1
    # PostgreSQL's ODBC driver, registered in a private odbcinst.ini.
    local driver
    driver=$(ls /usr/lib/*/odbc/psqlodbcw.so 2>/dev/null | head -n 1 || true)
    if [ -n "$driver" ]; then
        export ODBCSYSINI="$pgdir"
        printf '[PLX PostgreSQL Unicode]\nDriver=%s\n' "$driver" > "$pgdir/odbcinst.ini"
        export PLX_TEST_ODBC_DRIVER="PLX PostgreSQL Unicode"
    fi
    trap pg_stop EXIT
}

pg_stop() {
    local bindir
    bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
    local as=()
    [ "$(id -u)" -eq 0 ] && as=(runuser -u postgres --)
    "${as[@]}" "$bindir/pg_ctl" -D "$pgdir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$pgdir"
}

case "$cmd" in
run)
    install_missing
    build "$here/build"
    exec "$here/build/plxreader" "$@"
    ;;
test)
    install_missing
    if [ $sanitize -eq 1 ]; then
        dir="$here/build-asan"
        build "$dir" -DPLX_SANITIZE=ON -DPLX_WERROR="${PLX_WERROR:-OFF}" -DPLX_BUILD_BENCH=OFF
        export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    else
        dir="$here/build"
        build "$dir" -DPLX_WERROR="${PLX_WERROR:-OFF}"
    fi
    pg_start
    ctest --test-dir "$dir" --output-on-failure
    [ $sanitize -eq 1 ] || bash "$here/tools/check-package.sh" "$dir"
    ;;
*)
    sed -n '2,6p' "$0"
    exit 2
    ;;
esac
