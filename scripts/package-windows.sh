#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and packs them: a portable .zip and an
# NSIS installer, both in build-win/package/. Installs what it needs with apt-get
# (through sudo when not root). Prints the two files' paths.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly win_build=build-win
readonly out="$win_build/package"
readonly mingw=x86_64-w64-mingw32

bash scripts/install.sh --no-recommends scripts/windows_packages.txt >/dev/null
[ -f "$win_build/build.ninja" ] || cmake --preset mingw >/dev/null
cmake --build "$win_build" --target duruz duruz-cli >/dev/null

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")"
name="RORU-Duruz-$version-win64"

# Linked statically: each program may import only DLLs that every Windows has.
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|comdlg32|ole32|oleaut32|setupapi|windowscodecs|msvcrt|ws2_32|shlwapi|uxtheme|imm32|api-ms-win-[a-z0-9-]+)\.dll$'
for program in duruz duruz-cli; do
    foreign="$("$mingw-objdump" -p "$win_build/$program.exe" | sed -n 's/^\s*DLL Name: //p' |
        tr 'A-Z' 'a-z' | grep -Ev "$system_dlls" || true)"
    if [ -n "$foreign" ]; then
        echo "$program.exe needs DLLs that are not part of Windows:" $foreign >&2
        exit 1
    fi
done

# Each program carries its icon (16, 32, 48 and 256 px), its version and its manifest;
# the window opens no console window, the tool runs in the console it is started from.
IFS=. read -r -a numbers <<<"$version.0.0.0"
four="${numbers[0]}, ${numbers[1]}, ${numbers[2]}, ${numbers[3]}"
for program in duruz:'Windows GUI' duruz-cli:'Windows CUI'; do
    exe="$win_build/${program%%:*}.exe"
    resources="$("$mingw-windres" -i "$exe" -O rc)"
    for wanted in 'Has 4 elements' "FILEVERSION $four" "VALUE \"ProductVersion\", \"$version\"" \
        'PerMonitorV2' 'level=""asInvoker""' 'Microsoft.Windows.Common-Controls'; do
        grep -qF "$wanted" <<<"$resources" || { echo "$exe: no $wanted in its resources" >&2; exit 1; }
    done
    headers="$("$mingw-objdump" -p "$exe")"
    grep -qE "^Subsystem.*\(${program#*:}\)" <<<"$headers" ||
        { echo "$exe is not a ${program#*:} program" >&2; exit 1; }
done

rm -rf "$out"
mkdir -p "$out/$name"
for program in duruz duruz-cli; do
    "$mingw-strip" -o "$out/$name/$program.exe" "$win_build/$program.exe"
done
# Text files with Windows line ends, for Notepad of any age.
sed 's/$/\r/' packaging/windows/README.txt >"$out/$name/README.txt"
if [ -f LICENSE ]; then
    sed 's/$/\r/' LICENSE >"$out/$name/LICENSE.txt"
else
    echo "warning: there is no LICENSE at the root: the packages go without one" >&2
fi

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")

size_kb="$(du -sk "$out/$name" | cut -f1)"
makensis -V2 -DVERSION="$version" -DFILES="$PWD/$out/$name" -DSIZE_KB="$size_kb" \
    -DICON="$PWD/packaging/windows/duruz.ico" -DOUTFILE="$PWD/$out/RORU-Duruz-$version-setup.exe" \
    packaging/windows/duruz.nsi >/dev/null
echo "$out/$name.zip"
echo "$out/RORU-Duruz-$version-setup.exe"
