#!/usr/bin/env bash
# Installs what the build and the Wine test rig need, and nothing when all of it is there.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
need=()
command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 || need+=(mingw-w64)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
[ -f /usr/include/catch2/catch.hpp ] || need+=(catch2)
command -v Xvfb >/dev/null 2>&1 || need+=(xvfb)
command -v xauth >/dev/null 2>&1 || need+=(xauth)
command -v wine >/dev/null 2>&1 || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
# 64-bit Wine runs the tests where the kernel executes no 32-bit code.
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
# chattr locks a test folder against every writer.
command -v chattr >/dev/null 2>&1 || need+=(e2fsprogs)
# strace shows that a rewritten file is flushed before it is renamed.
command -v strace >/dev/null 2>&1 || need+=(strace)
# The Japanese locale gives Wine the ANSI code page 932 for the tests of double-byte paths.
[ -f /usr/share/i18n/locales/ja_JP ] || need+=(locales)

make_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

[ ${#need[@]} -eq 0 ] && { make_japanese_locale; exit 0; }

echo "bootstrap: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
# A mirror caught mid-sync may fail one list (seen for the i386 security list): the rest still serve.
$SUDO apt-get update -qq || echo "bootstrap: some package lists could not be read; going on with the others"
if ! $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null; then
    # Without one architecture's security list the two architectures' shared libraries cannot
    # match: take both from the release itself.
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$release" ] || exit 1
    echo "bootstrap: retrying from the $release release alone"
    $SUDO apt-get install -y -qq --no-install-recommends -t "$release" "${need[@]}" >/dev/null
fi
make_japanese_locale
