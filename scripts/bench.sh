#!/usr/bin/env bash
# The benchmark: makes the workloads, runs every figure in one go and prints one table (each
# figure the median of 5 runs after a warm-up, beside the median of its floor), then draws
# docs/rewrite-scaling.png: one configuring call against the file's size. Not a test: nothing
# here passes or fails on a time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
. scripts/wine-rig.sh
rig_choose_arch
echo "Building ($RIG_ARCH)..." >&2
rig_build "$RIG_ARCH"
bin="$PWD/build/$RIG_ARCH/bin"
work="$PWD/build/bench-$RIG_ARCH"
winpath() { echo "Z:${1//\//\\}"; }

# The trees take a while to make; they are kept between runs.
make_tree() {
    if [ ! -e "$1.made" ]; then
        echo "Making $1 ($2 files in each of 20,000 directories)..." >&2
        rm -rf "$1"
        bench/make-workloads.py tree "$1" "$2"
        : > "$1.made"
    fi
}
make_tree "$work/drive-s" 10
make_tree "$work/drive-t" 0
rm -rf "$work/rewrite" && mkdir -p "$work/rewrite"
bench/make-workloads.py config "$work/rewrite"
sizes=(10000 30000 100000 300000 1000000)
for lines in "${sizes[@]}"; do
    rm -rf "$work/scaling/$lines" && mkdir -p "$work/scaling/$lines"
    bench/make-workloads.py config "$work/scaling/$lines" "$lines"
done
# The picture is drawn by gnuplot from Debian's packages.
if ! command -v gnuplot >/dev/null; then
    echo "Installing gnuplot-nox for the picture..." >&2
    apt-get install -y gnuplot-nox >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y gnuplot-nox >/dev/null; }
fi

trap rig_stop EXIT
rig_start_display
rig_start_wine "$work/prefix"
# The configuration files lie on a fixed drive, where a configuring call maps its file.
rig_map_drives "s:hd:$work/drive-s" "t:hd:$work/drive-t" "r:hd:$work"
vpbench() { "$WINE_LOADER" "$bin/vpbench.exe" "$@" </dev/null 2>&1 | tr -d '\r'; }
vpbench place 'S:\' >/dev/null
vpbench place 'T:\' >/dev/null

echo "Running (a few minutes)..." >&2
echo
echo "| figure | median | floor's median | ratio |"
echo "| --- | ---: | ---: | ---: |"
vpbench search "drive search: 200,000 files in 20,000 directories" 'S:\'
vpbench peak "peak working set of that search" 'S:\'
vpbench peak "peak working set: the same directories without their files" 'T:\'
rewrite='R:\rewrite'
(cd "$work/rewrite" && vpbench rewrite "configuration rewrite: 100,000 lines, 20 entries replaced, one rewrite" \
    "the same with the 32-bit byte pass (processors without SSE2)" \
    "the same as before this release: a rewrite for each of the 40 edits" \
    "$rewrite\\HTTPD.CNF.original" "$rewrite\\HTTPD.CNF" 'C:\LINKWELL')

# One configuring call against the file's size: each line of the data is the line count, then the
# seconds of a rewrite for each edit, of the one rewrite, of one plain flushed copy and of the one
# rewrite with the 32-bit byte pass.
echo "Measuring the call against the file's size..." >&2
data="$work/scaling/rewrite-scaling.dat"
: > "$data"
for lines in "${sizes[@]}"; do
    dir="R:\\scaling\\$lines"
    (cd "$work/scaling/$lines" && vpbench scaling "$dir\\HTTPD.CNF.original" "$dir\\HTTPD.CNF" 'C:\LINKWELL') >> "$data"
done
"$WINESERVER_BIN" -k </dev/null >/dev/null 2>&1 || true
. scripts/sample-machine.sh
make_sample_machine "$work/sample-machine" >&2
# Before every run the machine is put back as it was made.
restore="$work/sample-machine/restore.cmd"
{
    echo "@echo off"
    for f in "${configs[@]}"; do
        cp "$c/$f" "$c/$f.before"
        echo "copy /y \"C:\\${f//\//\\}.before\" \"C:\\${f//\//\\}\" >nul"
    done
    cp "$d/PELLAN/MONDREL/DATA/MONCFG.VSF" "$d/PELLAN/MONDREL/DATA/MONCFG.VSF.before"
    echo "copy /y \"$database.before\" \"$database\" >nul"
    echo "reg delete \"$roots\" /f >nul"
    echo "reg add \"$roots\" /v / /t REG_SZ /d \"C:\\InetPub\\wwwroot,,1\" /f >nul"
    echo "reg add \"$roots\" /v /LINKWELL /t REG_SZ /d \"C:\\OLDPROD\\webadmin,,1\" /f >nul"
} | sed 's/$/\r/' > "$restore"
(cd "$c/LINKWELL" && vpbench program 'vpsetup /DISCOVER /CONFIGURE on the sample machine (wall time)' \
    "cmd /c \"$(winpath "$restore")\"" "\"$(winpath "$bin/vpsetup.exe")\" /DISCOVER /CONFIGURE /PATH=C:\\LINKWELL")
# The runs did configure: the last one left the servers' files changed.
for f in "${configs[@]}"; do
    if cmp -s "$c/$f" "$c/$f.before"; then
        echo "bench: the configuring run left C:\\$f unchanged" >&2
        exit 1
    fi
done

gnuplot <<PLOT
set terminal png size 800,560
set output 'docs/rewrite-scaling.png'
set logscale xy
set grid
set key top left
set title 'EnsureBrellContainsVP, 20 entries replaced: 32-bit build under 32-bit Wine'
set xlabel 'lines in HTTPD.CNF'
set ylabel 'seconds for one configuring call'
plot '$data' using 1:2 with linespoints title 'a rewrite for each edit (before)', \\
     '' using 1:3 with linespoints title 'one rewrite (now), SSE2 byte pass', \\
     '' using 1:5 with linespoints title 'one rewrite (now), 32-bit byte pass', \\
     '' using 1:4 with linespoints title 'floor: one plain flushed copy and replace'
PLOT
echo "docs/rewrite-scaling.png drawn from $data" >&2
