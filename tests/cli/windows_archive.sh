#!/usr/bin/env bash
# Makes the Windows release archive and checks what a user unpacks: norvelle.exe with the Qt
# libraries, plugins and translation it loads, norvelle-cli.exe, every DLL either of them (or
# a DLL beside them) asks for either in the folder or part of Windows, the shipped plugins and
# help file as they are in the sources, and READMEs in code page 932 with CR LF that say what
# their UTF-8 sources say. The unpacked programs must run (under Wine) from their own folder.
#
# Usage: windows_archive.sh BUILD_DIR   (a configured cross build; Wine's settings from the
# caller)
set -uo pipefail

build=$1
source_dir=$(realpath "$(dirname "$0")/../..")
version=$(sed -n 's/^project(Norvelle VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
name=norvelle-$version-win64
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

expected=$(printf '%s\n' norvelle.exe norvelle-cli.exe norvelle.txt README-ja.txt README.txt \
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    qt.conf plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll \
    translations/qtbase_ja.qm $(cd "$source_dir/plugins" && ls -- *.spd) | sort)
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "the archive holds $(echo $actual), not $(echo $expected)"

for plugin in "$source_dir"/plugins/*.spd "$source_dir/docs/norvelle.txt"; do
    cmp -s "$plugin" "$root/${plugin##*/}" || fail "${plugin##*/} differs from the sources"
done

# Every DLL a program or library of the folder asks for is in the folder or one of Windows'
# own. norvelle-cli.exe needs none of the compiler's: it is one file.
windows_dll() {
    case $1 in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | \
            oleaut32.dll | comdlg32.dll | imm32.dll | winmm.dll | uxtheme.dll | dwmapi.dll | \
            version.dll | shlwapi.dll | msvcrt.dll | setupapi.dll | userenv.dll | netapi32.dll | \
            mpr.dll | ws2_32.dll | wtsapi32.dll | d3d9.dll | d3d11.dll | dxgi.dll | authz.dll | \
            shcore.dll | \
            api-ms-win-*) return 0 ;;
    esac
    return 1
}
while IFS= read -r -d '' binary; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/.*DLL Name: //p'); do
        windows_dll "${dll,,}" && continue
        [ "${binary##*/}" != norvelle-cli.exe ] && [ -n "$(find "$root" -maxdepth 1 -iname "$dll")" ] &&
            continue
        fail "${binary#$root/} needs $dll, which is neither in the folder nor part of Windows"
    done
done < <(find "$root" \( -name '*.exe' -o -name '*.dll' \) -print0)

# A window program without a console, with its version information and icon for Explorer.
[[ $(x86_64-w64-mingw32-objdump -p "$root/norvelle.exe") == *"(Windows GUI)"* ]] ||
    fail "norvelle.exe is not a window program"
# hex_pattern: the bytes of standard input as a pattern of grep -P.
hex_pattern() { od -An -tx1 -v | tr -d ' \n' | sed 's/../\\x&/g'; }
for text in "FileVersion" "$version" "Norvelle Readme作成ツール"; do
    LC_ALL=C grep -qaP "$(printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE | hex_pattern)" \
        "$root/norvelle.exe" || fail "norvelle.exe has no version information saying $text"
done
# The first image of the icon file, as the icon resource holds it.
ico=$source_dir/src/platform/icons/norvelle.ico
first=$(od -An -tu4 -j 18 -N 4 "$ico" | tr -d ' ')
LC_ALL=C grep -qaP "$(tail -c +$((first + 1)) "$ico" | head -c 48 | hex_pattern)" "$root/norvelle.exe" ||
    fail "norvelle.exe does not carry the program's icon"

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
    grep -q 'norvelle.exe' <<<"$decoded" || fail "$text does not name the window program"
done

# Unpacked and started from its own folder, with nothing else around.
got=$(cd "$root" && wine norvelle-cli.exe --version 2>&1)
[ "$got" = "norvelle-cli (Norvelle) $version" ] || fail "the unpacked program says: $got"
(cd "$root" && wine norvelle-cli.exe check 標準.spd シェアウエア.spd English.spd README.md.spd) ||
    fail "the shipped plugins do not pass check"

size() { stat -c %s "$1"; }
limit=$((12 * 1024 * 1024))
[ "$(size "$archive")" -le "$limit" ] || fail "$name.zip is $(size "$archive") bytes, over 12 MiB"
echo "windows_archive: $name.zip $(size "$archive") bytes, norvelle.exe $(size "$root/norvelle.exe") bytes, norvelle-cli.exe $(size "$root/norvelle-cli.exe") bytes"
exit $failed
