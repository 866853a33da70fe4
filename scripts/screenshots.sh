#!/usr/bin/env bash
# Pictures of the product's windows, for the README: the setup's web-server page with the Mondrel
# and IIS rows disabled (as the setup host shows it), the configurator's selection dialog after a
# discovery that found Pellan Brell and IIS, the preview window of a configuring run there, the
# protocol helper's progress window while it walks
# our Network control panel, and that window over the panel. Writes docs/*.png.
#
# The programs run in a Wine virtual desktop, where Wine draws the title bars and frames itself (no
# window manager runs under Xvfb), with Wine's own fonts in the prefix: its "MS Sans Serif" for the
# dialogs, Tahoma for the title bars, Marlett for their buttons.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
# Only the pictures need Wine's fonts, so the bootstrap of every test run leaves them out.
if [ ! -f /usr/share/wine/fonts/sserife.fon ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    echo "screenshots: installing fonts-wine"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends fonts-wine >/dev/null
fi
. scripts/wine-rig.sh
rig_choose_arch
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
machine="$PWD/build/screens-$RIG_ARCH"
rm -rf "$machine"
keeper=""
trap '[ -z "$keeper" ] || kill "$keeper" 2>/dev/null || true; rig_stop' EXIT
rig_start_display
rig_start_wine "$machine/prefix"
reg() { "$WINE_LOADER" reg "$@" </dev/null >/dev/null 2>&1; }
# One virtual desktop for every program; Wine's desktop process reads this when the server
# restarts (below, with the drives).
reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f
reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f
c="$WINEPREFIX/drive_c"
# This Wine looks for its own fonts only in the prefix's Fonts folder (seen here), as Windows does.
cp /usr/share/wine/fonts/* "$c/windows/Fonts/"
rig_map_drives
mkdir -p docs "$c/BRELL"
printf '# Pellan Brell rules\r\nPass /linkwell/* C:\\OLDPROD\\*\r\nPass /* C:\\BRELL\\*\r\n' > "$c/BRELL/HTTPD.CNF"
reg add 'HKLM\SYSTEM\CurrentControlSet\Services\W3SVC\Parameters\Virtual Roots' /v / /t REG_SZ /d 'C:\InetPub\wwwroot,,1' /f
reg add 'HKLM\SOFTWARE\Pellan\Brell Webserver\1.0' /v ETCpath /t REG_SZ /d 'C:\BRELL' /f
reg add 'HKLM\SOFTWARE\Microsoft\Inetsrv\CurrentVersion' /v Description /t REG_SZ /d 'Microsoft Internet Information Server 2.0' /f

"$WINE_LOADER" "$bin/setuphost.exe" --disable 0 1 0 1 --screenshot 'C:\pickpanel-page.bmp' </dev/null >/dev/null 2>&1
(cd "$c" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER /SELECT </dev/null >/dev/null 2>&1) &
configurator=$!
"$WINE_LOADER" "$bin/windowshot.exe" "Remote Web Administration Configuration" 'C:\select-dialog.bmp' 1014 </dev/null >/dev/null 2>&1
wait "$configurator"

# The preview of a configuring run on that machine: a discovering run writes the record, and the
# preview shows what configuring from it would do.
mkdir -p "$c/LINKWELL"
printf '%s\r\n' '[PELLAN BRELL]' '/linkwell/*, webadmin\*, Pass,' '/linkwell-bin/*, webadmin\bin\*, Exec,' '[END]' \
    '[MS IIS]' '/linkwell, webadmin, 1,' '/linkwell-bin, webadmin\bin, 4,' '[END]' > "$c/LINKWELL/vpsetup.ini"
(cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER </dev/null >/dev/null 2>&1)
(cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpsetup.exe" /CONFIGURE /PREVIEW '/PATH=C:\LINKWELL' </dev/null >/dev/null 2>&1) &
configurator=$!
"$WINE_LOADER" "$bin/windowshot.exe" "Remote Web Administration Preview" 'C:\preview-window.bmp' 2 </dev/null >/dev/null 2>&1
wait "$configurator"

# The protocol helper against our Network control panel (the whole run takes about 16 seconds):
# about 3 seconds in, the helper has typed the disk path into the panel's prompt; a second later,
# halfway, its progress window alone.
progress="Installing Corvane LLC2 Network Protocol"
cp "$bin/ncpa/ncpa.cpl" "$c/windows/system32/ncpa.cpl"
reg add 'HKCU\Software\Wine\AppDefaults\protoinst.exe' /v Version /t REG_SZ /d nt40 /f
python3 platform/testing/keep-on-top.py "$progress" </dev/null >/dev/null 2>&1 &
keeper=$!
"$WINE_LOADER" "$bin/protoinst.exe" 'A:\LLC2' </dev/null >/dev/null 2>&1 &
helper=$!
sleep 2.3
"$WINE_LOADER" "$bin/windowshot.exe" --area 'C:\protoinst-over-panel.bmp' 0 "$progress" Network </dev/null >/dev/null 2>&1
sleep 0.3
"$WINE_LOADER" "$bin/windowshot.exe" --area 'C:\protoinst-progress.bmp' 0 "$progress" </dev/null >/dev/null 2>&1
wait "$helper"
kill "$keeper" 2>/dev/null || true
wait "$keeper" 2>/dev/null || true
keeper=""

for picture in pickpanel-page select-dialog preview-window protoinst-progress protoinst-over-panel; do
    python3 scripts/bmp2png.py "$c/$picture.bmp" "docs/$picture.png"
    echo "docs/$picture.png"
done
