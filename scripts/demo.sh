#!/usr/bin/env bash
# The main job on a sample machine: a fresh Wine prefix with Pellan Brell, Corvane Skylane,
# Corvane HTTPD, Netscape Enterprise and IIS installed (registry entries and configuration
# files), a Pellan Mondrel server on a second fixed drive, and the product folder C:\LINKWELL
# with the template. Runs "vpsetup /DISCOVER /CONFIGURE /PATH=C:\LINKWELL" there twice and
# shows the record and what changed; the second run must change nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch
echo "Building the modules ($RIG_ARCH)..."
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
samples="$PWD/samples"
machine="$PWD/build/demo-machine-$RIG_ARCH"

rm -rf "$machine"
trap rig_stop EXIT
rig_start_display
echo "Making the sample machine (a fresh Wine prefix in $machine)..."
rig_start_wine "$machine/prefix"
rig_map_drives "d:hd:$machine/drive-d"
c="$WINEPREFIX/drive_c"
d="$machine/drive-d"
host=$("$WINE_LOADER" cmd /c echo %COMPUTERNAME% </dev/null 2>/dev/null | tr -d '\r')
reg() { "$WINE_LOADER" reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
setsz() { reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; }

mkdir -p "$c/LINKWELL" "$c/BRELL" "$c/SKYLANE" "$c/CORVANE/HTTPD/conf" \
    "$c/Netscape/SuiteSpot/https-$host/config" "$d/PELLAN/MONDREL/DATA"
cp "$samples/vpsetup.ini" "$c/LINKWELL/"
cp "$samples/brell/HTTPD.CNF" "$c/BRELL/HTTPD.CNF"
cp "$samples/skylane/HTTPD.CNF" "$c/SKYLANE/HTTPD.CNF"
cp "$samples/corvane-httpd/HTTPD.CONF" "$c/CORVANE/HTTPD/conf/HTTPD.CONF"
cp "$samples/netscape/OBJ.CONF" "$c/Netscape/SuiteSpot/https-$host/config/OBJ.CONF"
# The Mondrel server: its program folder holds the client library, found only through PATH.
cp "$bin/mondrel-program/VSERVER.EXE" "$bin/mondrel-program/pvapi411.dll" "$d/PELLAN/MONDREL/"
pvdb() { "$WINE_LOADER" "$bin/mondrel-program/pvdb.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
database='D:\PELLAN\MONDREL\DATA\MONCFG.VSF'
pvdb create "$database"
pvdb add "$database" Form=DirMap RM_MapFrom=/docs 'RM_MapTo=D:\PELLAN\MONDREL\DOCS' RM_MapType=Document
pvdb add "$database" Form=DirMap RM_MapFrom=/linkwell 'RM_MapTo=C:\OLDPROD\webadmin' RM_MapType=Document

setsz 'HKLM\SOFTWARE\Pellan\Brell Webserver\1.0' ETCpath 'C:\BRELL\'
setsz 'HKLM\SOFTWARE\Corvane\Skylane Server\4.0' ETCpath 'C:\SKYLANE'
setsz 'HKLM\SOFTWARE\Corvane\HTTP Server\1.3' ServerRoot 'C:\CORVANE\HTTPD'
setsz 'HKLM\SOFTWARE\Netscape\Enterprise\3.0' RootPath 'C:\Netscape\SuiteSpot'
setsz 'HKLM\SOFTWARE\Microsoft\Inetsrv\CurrentVersion' Description 'Microsoft Internet Information Server 2.0'
roots='HKLM\SYSTEM\CurrentControlSet\Services\W3SVC\Parameters\Virtual Roots'
setsz "$roots" '/' 'C:\InetPub\wwwroot,,1'
setsz "$roots" '/LINKWELL' 'C:\OLDPROD\webadmin,,1'

configs=(BRELL/HTTPD.CNF SKYLANE/HTTPD.CNF CORVANE/HTTPD/conf/HTTPD.CONF "Netscape/SuiteSpot/https-$host/config/OBJ.CONF")
for f in "${configs[@]}"; do cp "$c/$f" "$c/$f.before"; done
reg query "$roots" > "$machine/roots.before"
pvdb list "$database" > "$machine/mappings.before"

run_vpsetup() {
    echo
    echo "=== C:\\LINKWELL> vpsetup /DISCOVER /CONFIGURE /PATH=C:\\LINKWELL   (run $1)"
    (cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER /CONFIGURE '/PATH=C:\LINKWELL' </dev/null >/dev/null 2>&1)
}

run_vpsetup 1
echo
echo "--- the installed-servers record"
reg query 'HKLM\SOFTWARE\Corvane Linkwell Server Temp\Installed Web Servers' | sed '/^$/d'
for f in "${configs[@]}"; do
    echo
    echo "--- C:\\${f//\//\\}   (shown without CR; every rewritten line ends in CR LF)"
    diff -u --strip-trailing-cr --label before --label after "$c/$f.before" "$c/$f" || true
    cp "$c/$f" "$c/$f.run1"
done
echo
echo "--- IIS virtual roots"
reg query "$roots" > "$machine/roots.run1"
diff -u --label before --label after "$machine/roots.before" "$machine/roots.run1" || true
echo
echo "--- Pellan Mondrel: the mappings of $database"
pvdb list "$database" > "$machine/mappings.run1"
diff -u --label before --label after "$machine/mappings.before" "$machine/mappings.run1" || true

run_vpsetup 2
changed=0
for f in "${configs[@]}"; do
    cmp -s "$c/$f" "$c/$f.run1" || { echo "changed again: C:\\$f"; changed=1; }
    [ ! -e "$c/${f}1" ] || { echo "temporary file left: C:\\${f}1"; changed=1; }
done
reg query "$roots" | cmp -s - "$machine/roots.run1" || { echo "IIS virtual roots changed again"; changed=1; }
pvdb list "$database" | cmp -s - "$machine/mappings.run1" || { echo "Mondrel mappings changed again"; changed=1; }
[ $changed = 1 ] || echo "The second run changed nothing: every file byte for byte as the first run left it, the virtual roots and the Mondrel mappings as they were."
