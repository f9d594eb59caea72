#!/usr/bin/env bash
# Cross-compiles the Qt-free core for Windows with MinGW-w64, runs its unit tests
# under Wine, then runs the Win32 serial backend end to end: duruz-sim (the Linux
# build) serves the simulated instrument on a pseudo-terminal that Wine maps to
# COM5, and a Windows test program opens, configures and captures through it.
# Installs what it needs with apt-get (through sudo when not root). The toolkit's
# Win32 windows need a display: the run has an Xvfb of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

readonly com_number=5
readonly win_build=build-win

bash scripts/install.sh --no-recommends scripts/windows_packages.txt >/dev/null
echo "== packages ready after $((SECONDS - start)) s"

# duruz-sim from the normal build when there is one; otherwise a Qt-free host build
# of that tool alone, so the normal build's settings are never touched.
host_build=build
if [ ! -f build/build.ninja ]; then
    host_build=build-win-host
    cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DDURUZ_BUILD_GUI=OFF -DDURUZ_BUILD_TESTS=OFF -DDURUZ_BUILD_BENCH=OFF
fi
cmake --build "$host_build" --target duruz-sim >/dev/null
sim="$host_build/duruz-sim"

cmake --preset mingw
cmake --build "$win_build"
echo "== cross build done after $((SECONDS - start)) s"

# A Wine of our own: its prefix lives in the build folder, never in ~/.wine. Mono
# and Gecko are not wanted, so Wine does not offer to install them.
export WINEPREFIX="$PWD/$win_build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

# One Wine server and one set of Wine's own services for the whole run, so that
# each test program starts quickly. They are started with their output sent to a
# log: what they inherit, they hold open until the end, and a pipe held open would
# keep CTest waiting. The first start creates the prefix.
wine_log="$win_build/wine.log"
start_wine() {
    mkdir -p "$WINEPREFIX"
    wineserver -p >>"$wine_log" 2>&1
    wine wineboot -i </dev/null >>"$wine_log" 2>&1
}
stop_wine() {
    wineserver -k >>"$wine_log" 2>&1 || true
    wineserver -w >>"$wine_log" 2>&1 || true
}

xvfb_pid=""
sim_pid=""
sim_out="$(mktemp)"
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -f "$sim_out"
    stop_wine
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# A display of our own, on the first free number Xvfb finds, before Wine starts:
# Wine takes its display when its first program starts. Windows keeps a window
# within the screen: the window tests' windows, up to 1300 pixels wide, need room.
xvfb_number="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$xvfb_number" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$xvfb_number" ] && break
    sleep 0.05
done
if [ ! -s "$xvfb_number" ]; then
    echo "Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(cat "$xvfb_number")"
rm -f "$xvfb_number"

stop_wine # a server an earlier run of this prefix left behind would refuse a second one
start_wine
echo "== Wine ready after $((SECONDS - start)) s"

ctest --test-dir "$win_build" --output-on-failure --timeout 300

# Starts a fresh simulator with the given options, its pseudo-terminal (in $slave)
# mapped to the COM port. Wine reads the mapping when it starts, hence the restart.
serve_on_com_port() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    "$sim" "$@" >"$sim_out" 2>&1 &
    sim_pid=$!
    slave=""
    for _ in $(seq 100); do
        slave="$(head -n 1 "$sim_out")"
        [ -n "$slave" ] && break
        sleep 0.05
    done
    case "$slave" in
    /dev/pts/*) ;;
    *)
        echo "duruz-sim gave no pseudo-terminal: $slave" >&2
        exit 1
        ;;
    esac
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$com_number" /t REG_SZ /d "$slave" /f \
        </dev/null >/dev/null
    stop_wine
    start_wine
    if [ "$(readlink "$WINEPREFIX/dosdevices/com$com_number")" != "$slave" ]; then
        echo "COM$com_number does not lead to the simulator's $slave" >&2
        exit 1
    fi
}

# The end-to-end run of the serial layer.
serve_on_com_port

echo "== COM$com_number is $slave"
DURUZ_WIN32_TEST_COM=$com_number timeout 300 \
    wine "$win_build/tests/serial/test_win32_com_end_to_end.exe" </dev/null

# -- duruz.exe end to end under Wine, and the screen's picture against Linux's --
# The Linux build's "Save screen" picture of a fixed frame, for the Windows build
# to compare with its own; from the normal build when it has the window.
window_start=$SECONDS
linux_build=build
if ! grep -qs '^DURUZ_BUILD_GUI:BOOL=ON' build/CMakeCache.txt; then
    linux_build=build-win-linux
    cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DDURUZ_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$linux_build" --target test_form >/dev/null
linux_png="$PWD/$win_build/linux-screen.png"
rm -f "$linux_png"
QT_QPA_PLATFORM=offscreen DURUZ_SCREEN_PNG_OUT="$linux_png" \
    "$linux_build/tests/app/test_form" --gtest_filter='SaveScreen.*' >/dev/null
if [ ! -s "$linux_png" ]; then
    echo "the Linux build wrote no screen picture to $linux_png" >&2
    exit 1
fi

# A fresh simulator that logs every byte it receives, behind the same COM port.
# Wine maps this machine's own serial lines to COM ports (/dev/ttyS0, the console,
# to COM1); an empty mapping only moves such a line to the next free number. So
# they stay where Wine puts them, and every program here is given its port by
# name: a port given on the command line is the list's last row, the one the
# window opens by itself.
sim_log="$PWD/$win_build/sim-received.bin"
serve_on_com_port --no-noise --log "$sim_log"

echo "== COM$com_number is $slave, logged to $sim_log"
DURUZ_E2E_PROGRAM="$(winepath -w "$win_build/duruz.exe")" DURUZ_E2E_PORT="COM$com_number" \
    DURUZ_E2E_SIM_LOG="$(winepath -w "$sim_log")" timeout 300 \
    wine "$win_build/tests/e2e/test_window_under_wine.exe" </dev/null
DURUZ_OTHER_SCREEN_PNG="$(winepath -w "$linux_png")" timeout 300 \
    wine "$win_build/tests/app/test_form.exe" --gtest_filter='SaveScreen.*' </dev/null
echo "== duruz.exe end to end and the pictures: $((SECONDS - window_start)) s"
# -- end of duruz.exe end to end --

# duruz-cli.exe by COMn names, then the .zip and the installer: made, installed,
# started and removed.
bash scripts/test-windows-package.sh "$slave"

echo "== Windows tests passed in $((SECONDS - start)) s"
