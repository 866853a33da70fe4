#!/usr/bin/env bash
# Pictures of the product's windows, for the README: the setup's web-server page with the Mondrel
# and IIS rows disabled (as the setup host shows it), the configurator's selection dialog after a
# discovery that found Pellan Brell and IIS, and the protocol helper's progress window while it
# walks our Network control panel. Writes docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
machine="$PWD/build/screens-$RIG_ARCH"
rm -rf "$machine"
trap rig_stop EXIT
rig_start_display
rig_start_wine "$machine/prefix"
rig_map_drives
c="$WINEPREFIX/drive_c"
mkdir -p docs "$c/BRELL"
printf 'Pass /* C:\\BRELL\\*\r\n' > "$c/BRELL/HTTPD.CNF"
reg() { "$WINE_LOADER" reg "$@" </dev/null >/dev/null 2>&1; }
reg add 'HKLM\SOFTWARE\Pellan\Brell Webserver\1.0' /v ETCpath /t REG_SZ /d 'C:\BRELL' /f
reg add 'HKLM\SOFTWARE\Microsoft\Inetsrv\CurrentVersion' /v Description /t REG_SZ /d 'Microsoft Internet Information Server 2.0' /f

"$WINE_LOADER" "$bin/setuphost.exe" --disable 0 1 0 1 --screenshot 'C:\pickpanel-page.bmp' </dev/null >/dev/null 2>&1
(cd "$c" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER /SELECT </dev/null >/dev/null 2>&1) &
configurator=$!
"$WINE_LOADER" "$bin/windowshot.exe" "Remote Web Administration Configuration" 'C:\select-dialog.bmp' 1014 </dev/null >/dev/null 2>&1
wait "$configurator"
# The protocol helper against our Network control panel: its progress window while it works.
cp "$bin/ncpa/ncpa.cpl" "$c/windows/system32/ncpa.cpl"
reg add 'HKCU\Software\Wine\AppDefaults\protoinst.exe' /v Version /t REG_SZ /d nt40 /f
"$WINE_LOADER" "$bin/protoinst.exe" 'A:\LLC2' </dev/null >/dev/null 2>&1 &
helper=$!
sleep 4
"$WINE_LOADER" "$bin/windowshot.exe" "Installing Corvane LLC2 Network Protocol" 'C:\protoinst-progress.bmp' </dev/null >/dev/null 2>&1
wait "$helper"
python3 scripts/bmp2png.py "$c/protoinst-progress.bmp" docs/protoinst-progress.png
python3 scripts/bmp2png.py "$c/pickpanel-page.bmp" docs/pickpanel-page.png
python3 scripts/bmp2png.py "$c/select-dialog.bmp" docs/select-dialog.png
echo "docs/pickpanel-page.png docs/select-dialog.png docs/protoinst-progress.png"
