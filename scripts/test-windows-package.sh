#!/usr/bin/env bash
# The Windows packages under Wine, run by scripts/test-windows.sh with its Wine
# (WINEPREFIX, DISPLAY, a running wineserver) and duruz-sim's pseudo-terminal, the
# first argument, already mapped to COM5:
#   - duruz-cli.exe against the simulator by COMn names, and its error for a port
#     that is not there;
#   - the .zip and the installer built (scripts/package-windows.sh); the installer run
#     silently for the current user and for all users; the installed program started
#     as its Start-menu entry starts it and closed; the uninstaller run silently; nothing of
#     the program left but the user's Config.Ini.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
readonly slave="$1"
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"
readonly win_build=build-win
readonly work="$win_build/package-test"
readonly wine_log="$win_build/wine.log"
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# A Windows command's output without its CRs.
win() { wine "$@" </dev/null 2>>"$wine_log" | tr -d '\r'; }
restart_wine() {
    wineserver -k >>"$wine_log" 2>&1 || true
    wineserver -w >>"$wine_log" 2>&1 || true
    wineserver -p >>"$wine_log" 2>&1
    wine wineboot -i </dev/null >>"$wine_log" 2>&1
}
# A registry value's data, empty without the value.
reg_value() { win reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
reg_has_key() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

# Wine gives this machine's /dev/ttyS0, its console, a COM number: the lowest one free
# (COM1 here). Mapping COM1..COM4 to nothing only moves it to the next free number,
# so it is left where it is, and every program here is given its port by name:
# COM5 or COM12, the simulator (COM12 also because COM10 and above open only as
# "\\.\COMn"), or COM9 as a port that is not there. The installed program, which
# opens the last port of its list by itself, gets --port COM12, which its list puts last.
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$slave" /f </dev/null >/dev/null
restart_wine
[ "$(readlink "$WINEPREFIX/dosdevices/com12")" = "$slave" ] || fail "COM12 is not $slave"
if [ -e "$WINEPREFIX/dosdevices/com9" ] || [ -L "$WINEPREFIX/dosdevices/com9" ]; then
    fail "COM9 leads to $(readlink "$WINEPREFIX/dosdevices/com9"): it must be missing"
fi
echo "== COM5 and COM12 lead to $slave, COM9 nowhere"

# duruz-cli.exe: the data on standard output byte for byte as in a file (no CR
# added), COM10 and above by name, and a missing port's error and exit status.
cli="$win_build/duruz-cli.exe"
status=0
wine "$cli" capture --port COM5 --frames 2 --format csv </dev/null >"$work/frames.csv" 2>"$work/cli.err" ||
    status=$?
[ "$status" = 0 ] || fail "capture on COM5 ended with $status: $(cat "$work/cli.err")"
[ "$(grep -c '^# frame ' "$work/frames.csv")" = 2 ] || fail "capture on COM5 did not write 2 frames"
! grep -q $'\r' "$work/frames.csv" || fail "standard output got CRs"
grep -qx '# port: COM5' "$work/frames.csv" || fail "the frames do not name COM5"
wine "$cli" capture --port com12 --frames 1 --format jsonl -o 'C:\windows\temp\frame.jsonl' \
    </dev/null 2>"$work/cli.err" || fail "capture on COM12: $(cat "$work/cli.err")"
grep -q '"port":"COM12"' "$WINEPREFIX/drive_c/windows/temp/frame.jsonl" ||
    fail "the frame from COM12 does not name it"
wine "$cli" record --port COM5 --frames 3 -o 'C:\windows\temp\three.rec' --force </dev/null \
    2>"$work/cli.err" || fail "record on COM5: $(cat "$work/cli.err")"
win "$cli" info 'C:\windows\temp\three.rec' >"$work/info.txt" || fail "info of the recording"
grep -q 'COM5' "$work/info.txt" || fail "the recording's header does not name COM5"
status=0
wine "$cli" capture --port COM9 --frames 1 </dev/null >/dev/null 2>"$work/cli.err" || status=$?
[ "$status" = 3 ] || fail "capture on the missing COM9 ended with $status, not 3"
grep -q '^duruz-cli: COM9: failed, ' "$work/cli.err" || fail "COM9's error: $(cat "$work/cli.err")"
echo "== duruz-cli.exe passed after $((SECONDS - start)) s"

bash scripts/package-windows.sh >"$work/packages.txt"
mapfile -t packages <"$work/packages.txt"
zip="${packages[0]}"
setup="${packages[1]}"
cmake -E tar tf "$zip" | sort >"$work/zip.txt"
folder="$(basename "$zip" .zip)"
printf '%s\n' "$folder/" "$folder/README.txt" "$folder/duruz-cli.exe" "$folder/duruz.exe" |
    sort >"$work/zip-wanted.txt"
if [ -f LICENSE ]; then
    echo "$folder/LICENSE.txt" >>"$work/zip-wanted.txt"
    sort -o "$work/zip-wanted.txt" "$work/zip-wanted.txt"
fi
diff -u "$work/zip-wanted.txt" "$work/zip.txt" || fail "the .zip holds other files"
echo "== $zip and $setup made after $((SECONDS - start)) s"

appdata="$(win cmd /c echo %APPDATA%)"
working="$(winepath -u "$appdata\\RORU-Duruz" 2>>"$wine_log")"
user_menu="$(winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs" 2>>"$wine_log")"
all_menu="$(winepath -u "$(win cmd /c echo %ProgramData%)\\Microsoft\\Windows\\Start Menu\\Programs" 2>>"$wine_log")"
readonly uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\RORU-Duruz'
readonly active_setup_key='HKLM\Software\Microsoft\Active Setup\Installed Components\RORU-Duruz'

# Waits for a condition, a command, for up to 60 s: the uninstaller runs on from a
# copy of itself after the first one ends.
wait_for() {
    for _ in $(seq 120); do
        "$@" && return 0
        sleep 0.5
    done
    return 1
}
nothing_left() {
    ! reg_has_key "$root\\$uninstall_key" && [ ! -e "$installed" ] && [ ! -e "$menu/RORU-Duruz.lnk" ]
}

# mode root menu: installs silently in that mode, checks what is there, runs the
# program from the Start menu (for the current user), uninstalls, checks nothing is left.
check_install() {
    local mode="$1" root="$2" menu="$3"
    wine "$setup" /S "/$mode" </dev/null >>"$wine_log" 2>&1 || fail "the $mode install failed"
    local location
    location="$(reg_value "$root\\$uninstall_key" InstallLocation)"
    [ -n "$location" ] || fail "no $root\\$uninstall_key after the $mode install"
    installed="$(winepath -u "$location" 2>>"$wine_log")"
    for file in duruz.exe duruz-cli.exe README.txt uninstall.exe; do
        [ -f "$installed/$file" ] || fail "$mode: $file is not in $installed"
    done
    [ "$(reg_value "$root\\$uninstall_key" DisplayVersion)" = "$(basename "$setup" | cut -d- -f3)" ] ||
        fail "$mode: DisplayVersion is not the package's"
    [ -d "$working" ] || fail "$mode: the working folder $working was not made"
    [ -f "$menu/RORU-Duruz.lnk" ] || fail "$mode: no shortcut in $menu"
    # The shortcut's strings are UTF-16: its "Start in" is the user's folder.
    strings -a -el "$menu/RORU-Duruz.lnk" >"$work/shortcut.txt"
    grep -qxF '%APPDATA%\RORU-Duruz' "$work/shortcut.txt" ||
        fail "$mode: the shortcut does not start in %APPDATA%\\RORU-Duruz"
    if [ "$mode" = AllUsers ]; then
        reg_has_key "$active_setup_key" || fail "no Active Setup entry for the other users"
    fi
    if [ "$mode" = CurrentUser ]; then
        # Started as the Start-menu entry starts it, in the working folder, and given
        # the simulator's port; closed like a user closing the window, by WM_CLOSE
        # (taskkill without /f), until it has ended.
        rm -f "$working/Config.Ini"
        wine start /d "$appdata\\RORU-Duruz" /wait "$location\\duruz.exe" --port COM12 \
            </dev/null >>"$wine_log" 2>&1 &
        local program=$!
        # WM_CLOSE until the window has taken one: closing writes Config.Ini.
        for _ in $(seq 120); do
            sleep 0.5
            [ -s "$working/Config.Ini" ] && break
            kill -0 "$program" 2>/dev/null || break
            wine taskkill /im duruz.exe </dev/null >>"$wine_log" 2>&1 || true
        done
        [ -s "$working/Config.Ini" ] ||
            fail "the installed program wrote no Config.Ini in $working on WM_CLOSE within 60 s"
        for _ in $(seq 40); do
            kill -0 "$program" 2>/dev/null || break
            sleep 0.5
        done
        if kill -0 "$program" 2>/dev/null; then
            wine taskkill /f /im duruz.exe </dev/null >>"$wine_log" 2>&1 || true
            wait "$program" || true
            fail "duruz.exe still ran 20 s after its window closed"
        fi
        wait "$program" || fail "the installed program ended with $?"
        echo "kept by the user" >"$working/recording.rec"
    fi
    cp "$working/Config.Ini" "$work/Config.Ini.before" 2>/dev/null || true
    local quiet
    quiet="$(reg_value "$root\\$uninstall_key" QuietUninstallString)"
    [ -n "$quiet" ] || fail "$mode: no QuietUninstallString"
    # "C:\...\uninstall.exe" /Mode /S
    local uninstaller="${quiet#\"}"
    uninstaller="${uninstaller%%\"*}"
    read -r -a arguments <<<"${quiet##*\" }"
    wine "$uninstaller" "${arguments[@]}" </dev/null >>"$wine_log" 2>&1 ||
        fail "$mode: the uninstaller failed"
    wait_for nothing_left || fail "$mode: left behind after uninstalling: $(
        reg_has_key "$root\\$uninstall_key" && echo "the registry key"
        ls -d "$installed" "$menu/RORU-Duruz.lnk" 2>/dev/null)"
    if [ "$mode" = AllUsers ] && reg_has_key "$active_setup_key"; then
        fail "the Active Setup entry is left"
    fi
    if [ -f "$work/Config.Ini.before" ]; then
        cmp -s "$work/Config.Ini.before" "$working/Config.Ini" || fail "$mode: Config.Ini was not kept"
        [ -f "$working/recording.rec" ] || fail "$mode: the user's recording was not kept"
    fi
    echo "== installed, started, uninstalled for $mode after $((SECONDS - start)) s"
}
check_install CurrentUser HKCU "$user_menu"
check_install AllUsers HKLM "$all_menu"
echo "== Windows packages passed in $((SECONDS - start)) s"
