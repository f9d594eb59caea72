#!/usr/bin/env bash
# Takes the README's picture of the cursors and a reference trace: the window on an
# Xvfb of its own, against duruz-sim, with generator A's 200 Hz sine at 0.8 V live
# on channel 1 and, shown dimmed behind it, a reference of the same sine at 0.4 V
# that duruz-cli captured from the built-in simulator. The cursors, the reference
# and which references are shown come from the files the window keeps beside
# Config.Ini, so no key or click is needed.
#
#   bash scripts/readme-screenshot.sh [BUILD_DIR]   (default build) -> docs/cursors-and-reference.png
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/cursors-and-reference.png
for tool in Xvfb xdotool import python3; do
    command -v "$tool" >/dev/null || {
        echo "$tool is needed" >&2
        exit 1
    }
done

work=$(mktemp -d)
xvfb_pid="" sim_pid="" duruz_pid=""
cleanup() {
    for pid in $duruz_pid $sim_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

"$build/duruz-sim" --seed 7 >"$work/sim.out" 2>&1 &
sim_pid=$!
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && [ -s "$work/sim.out" ] && break
    sleep 0.05
done
pty=$(head -n 1 "$work/sim.out")
[[ $pty == /dev/pts/* ]] || {
    echo "duruz-sim gave no pseudo-terminal: $pty" >&2
    exit 1
}
export DISPLAY=":$(cat "$work/display")"

# Config.Ini as the window writes it: key, space, value, padding, CR LF. Channel 1
# triggers rising at the middle of the frame; generator A is the live sine.
config() { printf '%s %s%*s%s\r\n' "$1" "$2" "$3" "" "${4:-}"; }
{
    config SwpSp 1 16
    config SySrc 0 16
    config SyPol 1 16
    config ComPt 0 16 "$pty"
    config Prob1 1 16
    config Scal1 7 16
    config Prob2 1 16
    config Scal2 7 16
    config SyLev 0 16
    config SyPos 1024 16
    config Wleft 0 16
    config Wtopp 0 16
    config Wwidt 1511 16
    config Whigh 899 16
    config Scop1 1 16
    config Scop2 1 16
    config Fft1C 0 16
    config Fft2C 0 16
    config "Hold " 0 16
    config Wave1 1 16
    config Freq1 200 15
    config Ampl1 0.80 15
    config Wave2 -1 16
    config Freq2 201 15
    config Ampl2 1.00 15
} >"$work/Config.Ini"

# Time cursors one period apart from a crest (the rising zero crossing is sample
# 1024, a period 512 samples), voltage cursors on channel 1's crests (count -1638
# is +0.8 V).
printf '%s\r\n' TimeCursors=1 VoltageCursors=1 FrequencyCursor=0 VoltageChannel=1 \
    Time1=1152 Time2=1664 Voltage1=-1638 Voltage2=1638 XVoltage1=-1024 XVoltage2=1024 \
    FrequencyBin=4 >"$work/Cursors.ini"

# The reference: a frame captured at 0.4 V under the same setting, its raw counts
# written as a reference file (floats, little-endian), and listed as shown.
"$build/duruz-cli" capture --sim --frames 1 --format csv --wave-a Sine --freq-a 200 \
    --ampl-a 0.4 --trigger-source Ch1 -o "$work/reference.csv"
mkdir -p "$work/References"
python3 - "$work/reference.csv" "$work/References/Sine at 0.4 V.ref" <<'EOF'
import struct, sys
rows = [line.split(",") for line in open(sys.argv[1]) if line[0].isdigit()]
assert len(rows) == 2048, len(rows)
header = ("DuruzReference 1\nname=Sine at 0.4 V\nprobe=1 1\nrange=7 7\nsweep=1\n"
          "points=2048\nframes=1\nsamples=4096\n")
with open(sys.argv[2], "wb") as ref:
    ref.write(header.encode())
    for row in rows:
        ref.write(struct.pack("<2f", float(row[4]), float(row[5])))
EOF
printf 'DuruzShownReferences 1\nSine at 0.4 V.ref\n' >"$work/References/Shown.txt"

(cd "$work" && HOME="$work" QT_QPA_PLATFORM=xcb exec "$OLDPWD/$build/duruz" --port "$pty") \
    >"$work/duruz.out" 2>&1 &
duruz_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^RORU-Duruz Rev' | head -n 1)
sleep 8 # a few frames at about 1.4 a second
import -window "$window" "$out"
kill -TERM "$duruz_pid"
wait "$duruz_pid" || true
duruz_pid=""
echo "wrote $out"
