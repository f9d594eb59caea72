#!/usr/bin/env bash
# Makes the Debian package of build/ (scripts/build.sh first), installs it with
# apt-get as a user would, starts the installed duruz and duruz-sim, and removes the
# package again. It installs into the system (with sudo when not root), so
# scripts/test.sh runs it on CI only; an installed duruz package is replaced and
# then removed.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

rm -f build/duruz_*.deb
(cd build && cpack -G DEB)
debs=(build/duruz_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "cpack made no single duruz_*.deb: ${debs[*]}" >&2
    exit 1
fi
deb="${debs[0]}"
version="$(dpkg-deb -f "$deb" Version)"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "== $deb: $(du -k "$deb" | cut -f1) KiB, version $version"
echo "   Depends: $depends"
# The package names alone, one a line, without their versions.
depended="$(sed 's/ ([^)]*)//g; s/, /\n/g' <<<"$depends")"
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libudev1; do
    if ! grep -Fxq "$library" <<<"$depended"; then
        echo "the package does not depend on $library" >&2
        exit 1
    fi
done

removePackage() {
    if dpkg-query -W -f='${Status}' duruz 2>/dev/null | grep -q "install ok installed"; then
        $sudo apt-get remove -y -qq duruz >/dev/null
    fi
}
trap removePackage EXIT
# A package of the same version left installed would otherwise be kept as it is.
removePackage
$sudo apt-get install -y -qq "./$deb"

for file in /usr/bin/duruz /usr/bin/duruz-cli /usr/bin/duruz-sim /usr/share/applications/duruz.desktop \
    /usr/share/icons/hicolor/scalable/apps/duruz.svg; do
    if [ ! -f "$file" ]; then
        echo "the package did not install $file" >&2
        exit 1
    fi
done

# From an empty folder, so that nothing of the build or a Config.Ini is found.
run_dir="$(mktemp -d)"
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$run_dir"
    removePackage
}
trap cleanup EXIT
cd "$run_dir"

reported="$(QT_QPA_PLATFORM=offscreen /usr/bin/duruz --version)"
if [ "$reported" != "duruz $version" ]; then
    echo "duruz --version says '$reported', the package is $version" >&2
    exit 1
fi
echo "== duruz --version: $reported"

# The simulator prints the pseudo-terminal it serves, then runs until stopped.
/usr/bin/duruz-sim >sim.out 2>&1 &
sim_pid=$!
slave=""
for _ in $(seq 100); do
    slave="$(head -n 1 sim.out)"
    [ -n "$slave" ] && break
    sleep 0.05
done
case "$slave" in
/dev/pts/*) echo "== duruz-sim serves $slave" ;;
*)
    echo "duruz-sim gave no pseudo-terminal: $slave" >&2
    exit 1
    ;;
esac
# The command-line tool takes frames from it, without Qt or a display.
frames="$(/usr/bin/duruz-cli capture --port "$slave" --frames 2 | grep -c '^# frame ')"
if [ "$frames" != 2 ]; then
    echo "duruz-cli capture --frames 2 gave $frames frames" >&2
    exit 1
fi
echo "== duruz-cli captured 2 frames from it"
kill "$sim_pid"
status=0
wait "$sim_pid" || status=$?
sim_pid=""
if [ "$status" -ne 0 ]; then
    echo "duruz-sim ended with status $status when stopped" >&2
    exit 1
fi

cd - >/dev/null
removePackage
if [ -e /usr/bin/duruz ] || [ -e /usr/share/applications/duruz.desktop ]; then
    echo "apt-get remove left the package's files behind" >&2
    exit 1
fi
echo "== the package installs, starts and is removed"
