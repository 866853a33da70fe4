#!/usr/bin/env bash
# Installs what is missing, builds every module and runs every test under the Wine rig.
# Exits non-zero on any failure, and when no test ran. TEST_ARGS, when set, goes to CTest as it
# stands (for instance TEST_ARGS="-R webcfg" to run a few tests while working).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch

echo "== build (shipped 32-bit modules)"
rig_build i686
if [ "$RIG_ARCH" != i686 ]; then
    echo "== build (64-bit copy for the tests: this kernel runs no 32-bit code)"
    rig_build "$RIG_ARCH"
fi

trap rig_stop EXIT
rig_start_display
rig_start_wine "$PWD/build/wineprefix-$RIG_ARCH"
rig_make_test_drives

run_ctest() {
    local log
    log=$(mktemp)
    local status=0
    (cd "$1" && shift && ctest --output-on-failure --timeout 600 "$@") 2>&1 | tee "$log" || status=1
    grep -q "No tests were found" "$log" && status=1
    rm -f "$log"
    return $status
}

status=0
if [ "$RIG_ARCH" = i686 ]; then
    echo "== tests (32-bit Wine)"
    run_ctest build/i686 ${TEST_ARGS:-} || status=1
else
    echo "== module checks (32-bit files)"
    run_ctest build/i686 -L module-check || status=1
    echo "== tests ($RIG_ARCH Wine)"
    run_ctest "build/$RIG_ARCH" ${TEST_ARGS:-} || status=1
fi
exit $status
