#!/usr/bin/env bash
# Checks the Windows release as a user gets it. The archive unpacked: norvelle.exe with the Qt
# libraries, plugins and translation it loads, norvelle-cli.exe, every DLL either of them (or a
# DLL beside them) asks for either in the folder or part of Windows, the shipped plugins and
# help file as they are in the sources, both programs' application manifest, and READMEs in
# code page 932 with CR LF that say what their UTF-8 sources say; it holds the staged program
# folder the setup program is packed from, byte for byte, and the unpacked programs run (under
# Wine) from their own folder. SHA256SUMS vouches for the archive and the setup program.
#
# Environment (tests/WineTests.cmake): NORVELLE_ARCHIVE, NORVELLE_PROGRAM_FOLDER,
# NORVELLE_VERSION, NORVELLE_SOURCE_DIR, NORVELLE_BUILD_DIR and Wine's settings.
set -uo pipefail

archive=$NORVELLE_ARCHIVE
source_dir=$NORVELLE_SOURCE_DIR
version=$NORVELLE_VERSION
name=$(basename "$archive" .zip)

fail() { echo "windows_archive: $*"; failed=1; }
failed=0

[ -f "$archive" ] || { echo "windows_archive: no $archive"; exit 1; }
unpacked=$NORVELLE_BUILD_DIR/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$archive") || exit 1
root=$unpacked/$name
diff -r "$NORVELLE_PROGRAM_FOLDER" "$root" >/dev/null ||
    fail "the archive does not hold the staged program folder byte for byte"
# The checksums a user compares before running either download.
sums=$(dirname "$archive")/SHA256SUMS
[ "$(cut -d' ' -f3 "$sums")" = "$(basename "$archive")"$'\n'"$(basename "$NORVELLE_SETUP")" ] &&
    (cd "$(dirname "$sums")" && sha256sum --check --quiet --strict SHA256SUMS) ||
    fail "SHA256SUMS does not vouch for both downloads"

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
ico=$source_dir/src/ui/platform/icons/norvelle.ico
first=$(od -An -tu4 -j 18 -N 4 "$ico" | tr -d ' ')
LC_ALL=C grep -qaP "$(tail -c +$((first + 1)) "$ico" | head -c 48 | hex_pattern)" "$root/norvelle.exe" ||
    fail "norvelle.exe does not carry the program's icon"

# Both programs carry the one application manifest, as resource 1 of type RT_MANIFEST, and
# Windows reads from it what each element says; a second manifest (one a toolchain adds)
# would leave which one counts to chance.
manifest_elements() {
    python3 -c '
import sys, xml.etree.ElementTree as ET
for e in ET.fromstring(sys.stdin.buffer.read()).iter():
    tag = e.tag.split("}")[-1]
    if tag == "supportedOS": print(tag, e.get("Id"))
    elif tag == "requestedExecutionLevel": print(tag, e.get("level"), e.get("uiAccess"))
    elif tag in ("dpiAware", "dpiAwareness", "longPathAware"): print(e.tag, e.text.strip())
    elif tag == "assemblyIdentity": print(tag, e.get("name"), e.get("version"), e.get("publicKeyToken"))
'
}
expected_manifest='supportedOS {35138b9a-5d96-4fbd-8e2d-a2440225f93a}
supportedOS {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}
supportedOS {1f676c76-80e1-4239-95bb-83d0f6d0da78}
supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
requestedExecutionLevel asInvoker false
{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware true/pm
{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness PerMonitorV2, PerMonitor
{http://schemas.microsoft.com/SMI/2016/WindowsSettings}longPathAware true
assemblyIdentity Microsoft.Windows.Common-Controls 6.0.0.0 6595b64144ccf1df'
for program in norvelle.exe norvelle-cli.exe; do
    resources=$(wrestool -l -t 24 "$root/$program")
    [[ $(wc -l <<<"$resources") = 1 && $resources == "--type=24 --name=1 "* ]] ||
        fail "$program carries the manifests: ${resources:-none}"
    got=$(wrestool -x --raw -t 24 -n 1 "$root/$program" | manifest_elements) ||
        fail "$program's manifest is no XML"
    [ "$got" = "$expected_manifest" ] ||
        fail "$program's manifest says:"$'\n'"$(diff <(echo "$expected_manifest") <(echo "$got"))"
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
