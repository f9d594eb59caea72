#!/usr/bin/env bash
# Checks that every folder of src/ is a layer whose includes point only down the stack:
# base at the bottom, then toolkit and serial, then link, then view, panel and sim, then
# session, then analysis, then app and cli.
# A folder may include its own headers and those of any layer below it, never one of
# its own level or above (view, panel and sim do not include each other). Also checks
# that each folder's CMakeLists.txt lists only its own files, and that Qt is included
# or declared only by the toolkit's Qt back end, src/toolkit/qt/. Prints every
# violation and exits non-zero when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"

declare -A level=([base]=0 [toolkit]=1 [serial]=1 [link]=2 [view]=3 [panel]=3 [sim]=3 [session]=4 [analysis]=5 [app]=6 [cli]=6)
violations=0

for dir in "$src"/*/; do
    layer="$(basename "$dir")"
    if [ -z "${level[$layer]+set}" ]; then
        echo "$dir: a folder that is no layer (add it to scripts/check_layers.sh)"
        violations=$((violations + 1))
        continue
    fi
    # file:line:included path, for every quoted or angled include naming a folder.
    while IFS=: read -r file line target; do
        included="${target%%/*}"
        [ -n "${level[$included]+set}" ] || continue
        if [ "$included" != "$layer" ] && ((level[$included] >= level[$layer])); then
            echo "$file:$line: $layer includes $target, which is not below it"
            violations=$((violations + 1))
        fi
    done < <(grep -rnE --include='*.h' --include='*.cpp' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][a-z_]+/' "$dir" |
        sed -E 's/^([^:]*):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^">]*)[">].*/\1:\2:\3/')

    # A library lists only its own folder's files.
    if [ -f "$dir/CMakeLists.txt" ]; then
        while IFS=: read -r line text; do
            echo "$dir""CMakeLists.txt:$line: lists a file outside $layer/: ${text#"${text%%[![:space:]]*}"}"
            violations=$((violations + 1))
        done < <(grep -nE '(\$\{(PROJECT|CMAKE)_SOURCE_DIR\}/src/|\.\./)[^ )]*\.(cpp|h)' \
            "$dir/CMakeLists.txt" || true)
    fi
done

# Qt's headers (<QWidget>, <QtCore/qglobal.h>, <qpa/...>) and forward declarations
# of its classes, anywhere but in the Qt back end.
while IFS=: read -r file line text; do
    echo "$file:$line: Qt outside $src/toolkit/qt/: ${text#"${text%%[![:space:]]*}"}"
    violations=$((violations + 1))
done < <(grep -rnE --include='*.h' --include='*.cpp' \
    -e '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](Q|qt|qpa/)' \
    -e '^[[:space:]]*(class|struct)[[:space:]]+Q[A-Z][A-Za-z]*[[:space:]]*;' \
    "$src" | grep -v "^$src/toolkit/qt/" || true)

if ((violations > 0)); then
    echo "$violations layer violation(s)"
    exit 1
fi
echo "layers: every include points down the stack"
