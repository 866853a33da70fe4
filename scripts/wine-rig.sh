# Sourced by the scripts: the Wine rig that every test and the demo run in.
#
# The modules are 32-bit and run under 32-bit Wine wherever the kernel executes 32-bit code.
# Some kernels have that switched off (ia32_emulation=off); there the same sources are built for
# 64-bit Windows and run under 64-bit Wine, and the 32-bit build is checked as files only.

rig_choose_arch() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        RIG_ARCH=i686
        WINE_LOADER=/usr/lib/wine/wine
        WINESERVER_BIN=/usr/lib/wine/wineserver32
        [ -x /usr/lib/wine/wineserver64 ] && WINESERVER_BIN=/usr/lib/wine/wineserver64
        export WINEARCH=win32
    else
        RIG_ARCH=x86_64
        WINE_LOADER=/usr/lib/wine/wine64
        WINESERVER_BIN=/usr/lib/wine/wineserver64
        export WINEARCH=win64
    fi
    export WINEDEBUG=-all
}

# Configures and builds one tree; $1 is i686 or x86_64.
rig_build() {
    local arch=$1 dir="$RIG_ROOT/build/$1"
    cmake -S "$RIG_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$RIG_ROOT/cmake/mingw-$arch.cmake" \
        -DWINE_LOADER="$WINE_LOADER" >/dev/null
    cmake --build "$dir" -j "$(nproc)" -- --no-print-directory >/dev/null
}

rig_start_display() {
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    RIG_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "wine-rig: Xvfb did not start" >&2
    return 1
}

# Starts a warm wineserver on the prefix $1 (made on first use) under the display. Output is
# kept away from the caller's pipes, or whoever waits on them would wait for ever.
rig_start_wine() {
    export WINEPREFIX=$1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$WINE_LOADER" wineboot -i </dev/null >/dev/null 2>&1
        "$WINESERVER_BIN" -w </dev/null >/dev/null 2>&1 || true
    fi
    # A server left running on the prefix (by a test run by hand) would make -p fail.
    "$WINESERVER_BIN" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -p </dev/null >/dev/null 2>&1
    "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1 || true
}

# Maps drive letters to folders with a type each, as "letter:type:folder" (type hd, cdrom,
# network...). Z: (the whole Linux file system) becomes a network drive, so that no search of the
# fixed drives walks it while paths under it still work. Wine takes new drive types only at a
# restart of its server, so this restarts it.
rig_map_drives() {
    local drive letter type folder
    for drive in "$@" z:network:; do
        letter=${drive%%:*}; drive=${drive#*:}
        type=${drive%%:*}; folder=${drive#*:}
        if [ -n "$folder" ]; then
            mkdir -p "$folder"
            ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
        fi
        "$WINE_LOADER" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d "$type" /f </dev/null >/dev/null 2>&1
    done
    "$WINESERVER_BIN" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -p </dev/null >/dev/null 2>&1
    "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1 || true
}

# The tests' drives: D: and E: fixed, F: a CD-ROM, G: a fixed drive whose root stays empty,
# H: a fixed drive with links: one back up its own tree, one to a folder outside it that holds
# a Mondrel server.
rig_make_test_drives() {
    local drives="$RIG_ROOT/build/test-drives"
    mkdir -p "$drives/h/tree" "$drives/outside"
    : > "$drives/outside/VSERVER.EXE"
    ln -sfn .. "$drives/h/tree/up"
    ln -sfn ../../outside "$drives/h/tree/elsewhere"
    rig_unmanaged_windows
    rig_map_drives "d:hd:$drives/d" "e:hd:$drives/e" "f:cdrom:$drives/f" "g:hd:$drives/g" "h:hd:$drives/h"
    rig_make_locked_folder
}

# The tests' display has no window manager: Wine would wait two seconds for one at every window it
# hides (a dialog ending, a message box closed). Windows that Wine frames itself wait for none.
rig_unmanaged_windows() {
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
}

# A folder whose entries cannot change, not even for root (for whom Wine lets read-only attributes
# pass): a configuration file in it can be read, but no temporary file made beside it. Left
# unlocked when the file system does not allow it; the test that needs it then says so.
rig_make_locked_folder() {
    local locked="$RIG_ROOT/build/test-drives/locked"
    rig_unlock_folder
    rm -rf "$locked"
    mkdir -p "$locked"
    printf '# Linkwell test: a folder nobody may change\r\nPass /wa/* C:\\old\\wa\\*\r\n' > "$locked/HTTPD.CNF"
    chattr +i "$locked" 2>/dev/null || echo "wine-rig: cannot lock $locked" >&2
}

# Unlocked again when the rig stops, so that the build folder can be removed as usual.
rig_unlock_folder() {
    chattr -i "$RIG_ROOT/build/test-drives/locked" 2>/dev/null || true
}

rig_stop() {
    rig_unlock_folder
    if [ -n "${WINEPREFIX:-}" ]; then
        "$WINESERVER_BIN" -k </dev/null >/dev/null 2>&1 || true
    fi
    if [ -n "${RIG_XVFB_PID:-}" ]; then
        kill "$RIG_XVFB_PID" 2>/dev/null || true
        wait "$RIG_XVFB_PID" 2>/dev/null || true
    fi
}

RIG_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
