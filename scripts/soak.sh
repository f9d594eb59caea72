#!/usr/bin/env bash
# Runs the real program for a while against a hostile instrument and reports what a
# user would have suffered. On demand, not in CI:
#
#   bash scripts/soak.sh [SECONDS] [SEED]      (default 600 s, seed 1)
#
# The instrument is duruz-sim with --chaos: answers slow and fast, in USB bursts or
# not, ignored requests, cut frames, garbage, stalls; each frame carries the settings
# it was captured under in its first samples (--mark-settings). The program runs on
# Xvfb with --port pointing at the simulator's symbolic link, and with --trace it
# writes one line per frame it draws, with the settings it drew it under, and its
# answer time. Meanwhile a driver changes ranges, trigger and generator through the
# window, and the line goes away and comes back:
#   - the simulator is stopped and started again behind a new link (reopened by itself);
#   - the simulator is killed, its link left dangling, and a stranger's terminal takes
#     its pseudo-terminal number (never to be opened: every byte it receives counts);
#   - the simulator stalls (SIGSTOP) for a few seconds.
# Report: crashes, frames drawn, frames drawn under the wrong settings, bytes written to
# strangers, answer time, memory growth. Exits 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
seed=${2:-1}

[ -x build/duruz ] && [ -x build/duruz-sim ] || bash scripts/build.sh >/dev/null
for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is needed (bash scripts/install.sh)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/duruz-soak.XXXXXX)
link=$work/instrument
trace=$work/trace.txt
strangers=$work/strangers.txt
memory=$work/memory.txt
events=$work/events.txt
: >"$strangers"
: >"$memory"
: >"$events"
program=""
simulator=""
xvfb=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    [ -n "$simulator" ] && kill -CONT "$simulator" 2>/dev/null && kill "$simulator" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

RANDOM=$seed
note() { printf '%6d %s\n' "$SECONDS" "$*" >>"$events"; }

# Xvfb picks a free display and prints its number once it takes clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
read -r -t 20 display <"$work/display" || { echo "soak: Xvfb did not start" >&2; exit 2; }
export DISPLAY=:$display
export QT_QPA_PLATFORM=xcb

startSimulator() {
    rm -f "$link"
    "$root/build/duruz-sim" --link "$link" --chaos "$((seed * 1000 + SECONDS))" --mark-settings \
        >/dev/null 2>>"$work/simulator.err" &
    simulator=$!
    for _ in $(seq 50); do [ -L "$link" ] && return; sleep 0.1; done
    echo "soak: duruz-sim made no link" >&2
    exit 2
}

startSimulator
(cd "$work" && exec "$root/build/duruz" --port "$link" --trace "$trace" 2>"$work/duruz.err") &
program=$!
window=$(xdotool search --sync --pid "$program" --name "RORU-Duruz" | head -n 1)
# With no window manager the window keeps its saved place; the whole of it goes on
# the screen, so the driver reaches the control strip.
xdotool windowmove "$window" 0 0 windowsize "$window" 1200 900
sleep 3
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$program/status" 2>/dev/null || echo 0; }
startRss=$(rss)

# Where the window's controls are: the control strip is 99 pixels high above the 11-pixel
# position bar, and each list is a spinner that the wheel steps.
geometry() { eval "$(xdotool getwindowgeometry --shell "$window")"; strip=$((HEIGHT - 11 - 99)); }
wheel() { # x y up|down
    geometry
    xdotool mousemove --window "$window" "$1" "$((strip + $2))" click "$([ "$3" = up ] && echo 4 || echo 5)"
}
press() { # x y
    geometry
    xdotool mousemove --window "$window" "$1" "$((strip + $2))" click 1
}
direction() { [ $((RANDOM % 2)) = 0 ] && echo up || echo down; }

# A stranger's terminal: opens pseudo-terminals until one takes the number the link
# names, holds it for a while and counts every byte written to it.
stranger() {
    python3 - "$link" "$1" >>"$strangers" <<'PY'
import os, pty, select, sys, time
link, hold = sys.argv[1], float(sys.argv[2])
target = os.readlink(link) if os.path.islink(link) else ''
masters, taken = [], False
for _ in range(64):
    master, slave = pty.openpty()
    masters.append((master, slave))
    if os.ttyname(slave) == target:
        taken = True
        break
received = 0
end = time.time() + hold
while time.time() < end:
    ready, _, _ = select.select([m for m, _ in masters], [], [], 0.1)
    for m in ready:
        try:
            received += len(os.read(m, 4096))
        except OSError:
            pass
print(f"{target} {'taken' if taken else 'missed'} {received}")
PY
}

end=$((SECONDS + seconds))
nextLineEvent=$((SECONDS + 20 + RANDOM % 20))
while [ "$SECONDS" -lt "$end" ]; do
    if ! kill -0 "$program" 2>/dev/null; then
        note "program died"
        break
    fi
    case $((RANDOM % 8)) in
    0) wheel 140 48 "$(direction)" && note "range 1" ;;
    1) wheel 140 72 "$(direction)" && note "range 2" ;;
    2) wheel 345 48 "$(direction)" && note "sweep" ;;
    3) wheel 385 72 "$(direction)" && note "polarity" ;;
    4) wheel 540 48 "$(direction)" && press 782 48 && note "generator A" ;;
    5) wheel 540 72 "$(direction)" && press 782 72 && note "generator B" ;;
    6) wheel 70 48 "$(direction)" && note "probe 1" ;;
    7) geometry && xdotool mousemove --window "$window" 5 "$((RANDOM % (strip - 10) + 5))" click 1 \
        && note "trigger level" ;;
    esac
    if [ "$SECONDS" -ge "$nextLineEvent" ]; then
        case $((RANDOM % 3)) in
        0)
            note "simulator restarted behind a new link"
            kill "$simulator" && wait "$simulator" 2>/dev/null || true
            sleep "$((1 + RANDOM % 3))"
            startSimulator
            ;;
        1)
            note "simulator killed, a stranger takes its terminal"
            kill -9 "$simulator" && wait "$simulator" 2>/dev/null || true
            stranger 6
            startSimulator
            ;;
        2)
            note "simulator stalls"
            kill -STOP "$simulator"
            sleep "$((2 + RANDOM % 4))"
            kill -CONT "$simulator"
            ;;
        esac
        nextLineEvent=$((SECONDS + 20 + RANDOM % 20))
    fi
    echo "$SECONDS $(rss)" >>"$memory"
    sleep "$((1 + RANDOM % 3))"
done

crashes=0
if kill -0 "$program" 2>/dev/null; then
    endRss=$(rss)
    kill "$program"
    status=0
    wait "$program" || status=$?
    [ "$status" -ne 0 ] && crashes=1
else
    endRss=0
    wait "$program" || true
    crashes=1
fi
program=""

result=0
python3 - "$trace" "$strangers" "$startRss" "$endRss" "$crashes" "$seconds" <<'PY' || result=1
import sys
trace, strangers, start_rss, end_rss, crashes, seconds = sys.argv[1:]
frames = wrong = 0
answer = []
times = []
try:
    lines = open(trace).read().splitlines()
except OSError:
    lines = []
for line in lines:
    words = line.split()
    if words[:1] == ['frame']:
        frames += 1
        # frame <ms> <marks: range1 range2 position level source*2+polarity generators>
        #       drawn <range1 range2 position level source*2+polarity generators>
        split = words.index('drawn')
        if words[2:split] != words[split + 1:]:
            wrong += 1
        times.append(int(words[1]))
    elif words[:1] == ['answer']:
        answer = [float(w) for w in words[1:]]
stray = 0
for line in open(strangers).read().splitlines():
    stray += int(line.split()[-1])
growth = (int(end_rss) - int(start_rss)) / 1024 if int(end_rss) else float('nan')
p95 = answer[1] if len(answer) > 1 else float('nan')
print(f"soak of {seconds} s")
print(f"  crashes:                  {crashes}")
gap = max((b - a for a, b in zip(times, times[1:])), default=0) / 1000
print(f"  frames drawn:             {frames} (longest time between two: {gap:.1f} s)")
print(f"  drawn under wrong setting: {wrong}")
print(f"  bytes to strangers:       {stray}")
print(f"  answer time (ms):         median {answer[0] if answer else float('nan'):.2f}, p95 {p95:.2f}, max {answer[2] if len(answer) > 2 else float('nan'):.2f}")
print(f"  memory growth:            {growth:.2f} MB")
ok = int(crashes) == 0 and wrong == 0 and stray == 0 and frames > 0 and p95 <= 20 and growth < 1
sys.exit(0 if ok else 1)
PY
echo "  events, memory and trace:  $work"
exit $result
