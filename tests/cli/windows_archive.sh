#!/usr/bin/env bash
# Makes the Windows release archive and checks what a user unpacks: norvelle-cli.exe with no
# DLL of the compiler's beside it or asked for, the shipped plugins and help file as they are
# in the sources, and READMEs in code page 932 with CR LF that say what their UTF-8 sources
# say. The unpacked program must run (under Wine) from its own folder.
#
# Usage: windows_archive.sh BUILD_DIR   (a configured cross build; Wine's settings from the
# caller)
set -uo pipefail

build=$1
source_dir=$(realpath "$(dirname "$0")/../..")
version=$(sed -n 's/^project(Norvelle VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
name=norvelle-cli-$version-win64
archive=$build/$name.zip

fail() { echo "windows_archive: $*"; failed=1; }
failed=0

rm -f "$archive"
cmake --build "$build" --target package >"$build/package.log" 2>&1 || { cat "$build/package.log"; exit 1; }
[ -f "$archive" ] || { echo "windows_archive: no $archive"; exit 1; }

unpacked=$build/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$(realpath "../$name.zip")") || exit 1
root=$unpacked/$name

expected=$(printf '%s\n' norvelle-cli.exe norvelle.txt README-ja.txt README.txt \
    $(cd "$source_dir/plugins" && ls -- *.spd) | sort)
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "the archive holds $(echo $actual), not $(echo $expected)"

for plugin in "$source_dir"/plugins/*.spd "$source_dir/docs/norvelle.txt"; do
    cmp -s "$plugin" "$root/${plugin##*/}" || fail "${plugin##*/} differs from the sources"
done

# The only DLLs the program asks for are Windows' own.
dlls=$(x86_64-w64-mingw32-objdump -p "$root/norvelle-cli.exe" | sed -n 's/.*DLL Name: //p' |
       tr 'A-Z' 'a-z' | sort -u)
for dll in $dlls; do
    case $dll in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | api-ms-win-*) ;;
        *) fail "norvelle-cli.exe needs $dll, which Windows does not have" ;;
    esac
done

for text in README-ja.txt README.txt; do
    file=$root/$text
    if ! decoded=$(iconv -f CP932 -t UTF-8 "$file"); then
        fail "$text is not code page 932"; continue
    fi
    [ "$(tr -cd '\n' <"$file" | wc -c)" = "$(grep -c $'\r$' "$file")" ] ||
        fail "$text has a line that does not end in CR LF"
    source_text=$(sed "s/@NORVELLE_VERSION@/$version/" "$source_dir/packaging/windows/$text")
    [ "${decoded//$'\r'/}" = "$source_text" ] || fail "$text says something else than its source"
    grep -q 'norvelle-cli.exe' <<<"$decoded" || fail "$text shows no batch file"
done

# Unpacked and started from its own folder, with nothing else around.
got=$(cd "$root" && wine norvelle-cli.exe --version 2>&1)
[ "$got" = "norvelle-cli (Norvelle) $version" ] || fail "the unpacked program says: $got"
(cd "$root" && wine norvelle-cli.exe check 標準.spd シェアウエア.spd English.spd) ||
    fail "the shipped plugins do not pass check"

size() { stat -c %s "$1"; }
echo "windows_archive: $name.zip $(size "$archive") bytes, norvelle-cli.exe $(size "$root/norvelle-cli.exe") bytes"
exit $failed
