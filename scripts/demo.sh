#!/usr/bin/env bash
# Shows the vpsetup library at work on a sample machine: a Wine prefix with a Pellan Brell rule
# file, a Corvane HTTPD configuration, a Netscape object configuration and IIS virtual roots,
# and the product folder holding the sample template. Each server is configured twice; the
# second pass must change nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch
echo "Building the modules ($RIG_ARCH)..."
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
samples="$PWD/samples"

prefix="$PWD/build/demo-machine-$RIG_ARCH"
rm -rf "$prefix"
trap rig_stop EXIT
rig_start_display
echo "Making the sample machine (a fresh Wine prefix)..."
rig_start_wine "$prefix"
c="$prefix/drive_c"
host=$("$WINE_LOADER" cmd /c echo %COMPUTERNAME% </dev/null 2>/dev/null | tr -d '\r')

mkdir -p "$c/LINKWELL" "$c/BRELL" "$c/CORVANE/HTTPD/conf" "$c/Netscape/https-$host/config"
cp "$samples/vpsetup.ini" "$c/LINKWELL/"
cp "$samples/brell/HTTPD.CNF" "$c/BRELL/HTTPD.CNF"
cp "$samples/corvane-httpd/HTTPD.CONF" "$c/CORVANE/HTTPD/conf/HTTPD.CONF"
cp "$samples/netscape/OBJ.CONF" "$c/Netscape/https-$host/config/OBJ.CONF"
roots='HKLM\SYSTEM\CurrentControlSet\Services\W3SVC\Parameters\Virtual Roots'
reg() { "$WINE_LOADER" reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
reg add "$roots" /v "/" /t REG_SZ /d 'C:\InetPub\wwwroot,,1' /f >/dev/null
reg add "$roots" /v "/LINKWELL" /t REG_SZ /d 'C:\OLDPROD\webadmin,,1' /f >/dev/null

declare -A files=(
    [BRELL]='C:\BRELL\HTTPD.CNF'
    [HTTPD]='C:\CORVANE\HTTPD\conf\HTTPD.CONF'
    [NETSCAPE]="C:\\Netscape\\https-$host\\config\\OBJ.CONF"
)
unix_path() { local p=${1#C:\\}; echo "$c/${p//\\//}"; }

apply() { (cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpapply.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'); }

for kind in BRELL HTTPD NETSCAPE; do
    file=$(unix_path "${files[$kind]}")
    cp "$file" "$file.before"
done
reg query "$roots" > "$prefix/roots.before"

for pass in 1 2; do
    echo
    echo "=== pass $pass: vpapply from C:\\LINKWELL with the installation path C:\\LINKWELL"
    for kind in BRELL HTTPD NETSCAPE; do
        apply "$kind" "${files[$kind]}" 'C:\LINKWELL'
    done
    apply IIS 'C:\LINKWELL'
    if [ $pass = 1 ]; then
        for kind in BRELL HTTPD NETSCAPE; do
            file=$(unix_path "${files[$kind]}")
            echo
            echo "--- ${files[$kind]} (line ends shown without CR; every rewritten line ends in CR LF)"
            diff -u --strip-trailing-cr --label before --label after "$file.before" "$file" || true
            cp "$file" "$file.pass1"
        done
        echo
        echo "--- IIS virtual roots"
        reg query "$roots" > "$prefix/roots.pass1"
        diff -u --label before --label after "$prefix/roots.before" "$prefix/roots.pass1" || true
    else
        changed=0
        for kind in BRELL HTTPD NETSCAPE; do
            file=$(unix_path "${files[$kind]}")
            cmp -s "$file" "$file.pass1" || { echo "changed again: ${files[$kind]}"; changed=1; }
            [ ! -e "${file}1" ] || { echo "temporary file left: ${files[$kind]}1"; changed=1; }
        done
        reg query "$roots" | cmp -s - "$prefix/roots.pass1" || { echo "IIS virtual roots changed again"; changed=1; }
        [ $changed = 0 ] && echo "Second pass: every file byte for byte as the first pass left it, the virtual roots unchanged."
    fi
done
