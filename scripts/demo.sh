#!/usr/bin/env bash
# The main job on a sample machine: a fresh Wine prefix with Pellan Brell, Corvane Skylane,
# Corvane HTTPD, Netscape Enterprise and IIS installed (registry entries and configuration
# files), a Pellan Mondrel server on a second fixed drive, and the product folder C:\LINKWELL
# with the template. Runs "vpsetup /DISCOVER /CONFIGURE /PATH=C:\LINKWELL" there twice and
# shows the record and what changed; the second run must change nothing. Before them, a preview
# ("/PREVIEW") shows what the first run will do and must change nothing. Then the uninstaller's
# run, "vpsetup /DISCOVER /UNCONFIGURE /PATH=C:\LINKWELL", takes back what was added.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch
echo "Building the modules ($RIG_ARCH)..."
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
machine="$PWD/build/demo-machine-$RIG_ARCH"
. scripts/sample-machine.sh

trap rig_stop EXIT
rig_start_display
echo "Making the sample machine (a fresh Wine prefix in $machine)..."
make_sample_machine "$machine"

for f in "${configs[@]}"; do cp "$c/$f" "$c/$f.before"; done
reg query "$roots" > "$machine/roots.before"
pvdb list "$database" > "$machine/mappings.before"

# stores_as_at STAGE WORDS: every configuration file byte for byte, the roots and the mappings as
# they were saved at that stage, and no temporary file; each difference is said after WORDS.
stores_as_at() {
    local differs=0 f
    for f in "${configs[@]}"; do
        cmp -s "$c/$f" "$c/$f.$1" || { echo "$2 C:\\$f"; differs=1; }
        [ ! -e "$c/${f}1" ] || { echo "$2 C:\\$f: its temporary file is left"; differs=1; }
    done
    reg query "$roots" | cmp -s - "$machine/roots.$1" || { echo "$2 the IIS virtual roots"; differs=1; }
    pvdb list "$database" | cmp -s - "$machine/mappings.$1" || { echo "$2 the Mondrel mappings"; differs=1; }
    return $differs
}

# run_vpsetup MODE LABEL: MODE is /CONFIGURE or /UNCONFIGURE. Every run appends to one log.
run_vpsetup() {
    echo
    echo "=== C:\\LINKWELL> vpsetup /DISCOVER $1 /PATH=C:\\LINKWELL /LOG=C:\\LINKWELL\\SETUP.LOG   ($2)"
    (cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER "$1" '/PATH=C:\LINKWELL' '/LOG=C:\LINKWELL\SETUP.LOG' \
        </dev/null >/dev/null 2>&1)
}

echo
echo "=== C:\\LINKWELL> vpsetup /DISCOVER /CONFIGURE /PREVIEW /PATH=C:\\LINKWELL /LOG=C:\\LINKWELL\\PREVIEW.LOG   (what run 1 will do)"
(cd "$c/LINKWELL" && "$WINE_LOADER" "$bin/vpsetup.exe" /DISCOVER /CONFIGURE /PREVIEW '/PATH=C:\LINKWELL' \
    '/LOG=C:\LINKWELL\PREVIEW.LOG' </dev/null >/dev/null 2>&1)
tr -d '\r' < "$c/LINKWELL/PREVIEW.LOG"
untouched=1
stores_as_at before "the preview changed" || untouched=0
! reg query 'HKLM\SOFTWARE\Corvane Linkwell Server Temp\Installed Web Servers' >/dev/null 2>&1 || {
    echo "the preview wrote the installed-servers record"; untouched=0; }
[ $untouched = 0 ] || echo "The preview changed nothing: every file, the roots, the mappings as they were, and no record."

run_vpsetup /CONFIGURE "run 1"
echo
echo "--- C:\\LINKWELL\\SETUP.LOG after run 1 (shown without CR)"
tr -d '\r' < "$c/LINKWELL/SETUP.LOG"
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

run_vpsetup /CONFIGURE "run 2"
changed=0
stores_as_at run1 "changed again:" || changed=1
[ $changed = 1 ] || echo "The second run changed nothing: every file byte for byte as the first run left it, the virtual roots and the Mondrel mappings as they were."

run_vpsetup /UNCONFIGURE "the uninstaller's run"
# Back byte for byte wherever setup found none of its URL paths (a file with LF line ends keeps the
# CR LF of its first rewrite); elsewhere what configuring replaced (an older product's mappings of
# the same URL paths, and the comments that mentioned them) is missing: it cannot come back.
same=() ; lines=() ; replaced=()
for f in "${configs[@]}"; do
    name="C:\\${f//\//\\}"
    if cmp -s "$c/$f" "$c/$f.before"; then same+=("$name")
    elif diff -q --strip-trailing-cr "$c/$f.before" "$c/$f" >/dev/null; then lines+=("$name")
    else replaced+=("$name"); diff -u --strip-trailing-cr --label "$name before setup" --label "after the uninstall" "$c/$f.before" "$c/$f" || true
    fi
done
if reg query "$roots" | cmp -s - "$machine/roots.before"; then same+=("IIS roots"); else
    replaced+=("IIS roots"); reg query "$roots" | diff -u --label "IIS roots before setup" --label "after the uninstall" "$machine/roots.before" - || true
fi
if pvdb list "$database" | cmp -s - "$machine/mappings.before"; then same+=("Mondrel mappings"); else
    replaced+=("Mondrel mappings"); pvdb list "$database" | diff -u --label "Mondrel mappings before setup" --label "after the uninstall" "$machine/mappings.before" - || true
fi
echo
echo "Round trip: byte for byte as before setup: ${same[*]:-none}; the same lines, with CR LF ends: ${lines[*]:-none}; without what configuring replaced: ${replaced[*]:-none}."
