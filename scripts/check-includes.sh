#!/usr/bin/env bash
# Checks the layers' include directions: the core and the CLI never include Qt or the desktop
# application; inside the core a folder includes only itself and the folders below it
# (text < program < platform < settings, serial < protocol < firmware < records < upload <
# session); the simulated units and the CLI never include the desktop application. POSIX
# headers appear only in files whose name says Posix (and in the simulated units' pseudo-terminal code), Windows headers only in files
# whose name says Win32. The desktop's folders are layers too (controls < dialogs < app); no
# product file includes the tools; the front ends (cli/, gui/) never name an OS serial backend
# (they ask for the system's). The code that builds for Windows makes no narrow file call (see
# below). Prints each violation; exit 1 if any.
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2

rank() {
    case "$1" in
        text) echo 0 ;;
        program) echo 1 ;;
        platform) echo 2 ;;
        settings | serial) echo 3 ;;
        protocol) echo 4 ;;
        firmware) echo 5 ;;
        records) echo 6 ;;
        upload) echo 7 ;;
        session) echo 8 ;;
        *) echo -1 ;;
    esac
}

bad=0
report() {
    echo "$1: $2"
    bad=1
}

# Every #include of the given sources as "file:target" lines: a project header as "dir/name.h",
# a system header as "<name>".
includes() {
    grep -H -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$@" 2>/dev/null |
        sed -E -e 's/^([^:]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1:\2/' \
            -e 's/^([^:]+):[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1:<\2>/'
}
sources_under() { find "$@" -name '*.h' -o -name '*.cpp'; }
includes_under() {
    local files
    mapfile -t files < <(sources_under "$@")
    includes "${files[@]}"
}

gui_path='^(gui|controls|dialogs|app|tools)/'
qt_header='^<Q[A-Za-z]*(>|/)'

while IFS=: read -r file target; do
    folder=$(echo "$file" | cut -d/ -f2)
    top=$(echo "$target" | cut -d/ -f1)
    if [[ "$target" =~ $qt_header ]]; then
        report "$file" "the core includes Qt ($target)"
    elif [[ "$target" =~ $gui_path || "$target" =~ ^(sim|cli|tests)/ ]]; then
        report "$file" "the core includes a higher layer ($target)"
    elif [[ "$target" != "<"* && "$target" == */* && "$top" != "$folder" ]]; then
        mine=$(rank "$folder")
        theirs=$(rank "$top")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -ge "$mine" ]; then
            report "$file" "core/$folder may not include $top/ ($target)"
        fi
    fi
done < <(includes_under core)

while IFS=: read -r file target; do
    if [[ "$target" =~ $qt_header ]]; then
        report "$file" "includes Qt ($target)"
    elif [[ "$target" =~ $gui_path || "$target" =~ ^tests/ ]]; then
        report "$file" "includes the desktop application or the tests ($target)"
    elif [[ "$file" == sim/* && "$target" == cli/* ]]; then
        report "$file" "the simulated units include the CLI ($target)"
    fi
done < <(includes_under cli sim)

gui_rank() {
    case "$1" in
        controls) echo 0 ;;
        dialogs) echo 1 ;;
        app) echo 2 ;;
        *) echo -1 ;;
    esac
}
while IFS=: read -r file target; do
    mine=$(gui_rank "$(echo "$file" | cut -d/ -f2)")
    theirs=$(gui_rank "$(echo "$target" | cut -d/ -f1)")
    if [[ "$target" == tools/* ]]; then
        report "$file" "the desktop includes the tools ($target)"
    elif [ "$theirs" -gt "$mine" ]; then
        report "$file" "the desktop's ${file#gui/} includes a higher folder ($target)"
    fi
done < <(includes_under gui)

while IFS=: read -r file line; do
    report "$file" "a front end names an OS serial backend ($line)"
done < <(grep -rnoE '\b(Posix|Win32)SerialBackend\b' cli gui | cut -d: -f1,3)

posix_header='^<(unistd|fcntl|termios|poll|pty|signal|dirent|pthread|spawn|locale|strings|sys/[a-z_]+)\.h>$'
win32_header='^<(windows|io|shellapi|winbase|winreg|setupapi|cfgmgr32|mmsystem)\.h>$'
posix_file='(Posix[^/]*|sim/(PtyPair|UnitRunner|DeviceRunner))\.(cpp|h)$'
while IFS=: read -r file target; do
    # The Windows C runtime has a <fcntl.h> of its own.
    if [[ "$target" =~ $posix_header && ! "$file" =~ $posix_file &&
        ! ("$target" == "<fcntl.h>" && "$file" =~ Win32[^/]*\.cpp$) ]]; then
        report "$file" "a POSIX header outside a POSIX file ($target)"
    elif [[ "$target" =~ $win32_header && ! "$file" =~ Win32[^/]*\.(cpp|h)$ ]]; then
        report "$file" "a Windows header outside a Win32 file ($target)"
    fi
done < <(includes_under core cli sim gui)

# The code that builds for Windows names files only through the platform layer (FileSystem.h,
# ReadOnlyFile.h) or, in the desktop, Qt's file classes, which both take wide paths there: a
# narrow C runtime or ANSI Win32 call would read a UTF-8 path in the ANSI code page ("Prüfung",
# a Windows user name) and stop at MAX_PATH. A member call (file.open) is the class's own.
narrow_call='(^|[^_[:alnum:].>])((std::)?(fopen|freopen|tmpfile|rename)|_?(open|sopen|stat|stat64|access|unlink|mkdir|rmdir|chdir|fullpath)|opendir|realpath)[[:space:]]*\(|(^|[^_[:alnum:]])(std::|::)?remove\([^,]*\)[[:space:]]*[;)!=<>&|?]|std::(i|o)?fstream|std::filebuf|std::filesystem|<(fstream|filesystem)>'
ansi_call='(^|[^_[:alnum:]])(CreateFile|DeleteFile|MoveFile|MoveFileEx|ReplaceFile|CopyFile|FindFirstFile|FindNextFile|GetFileAttributes|GetFileAttributesEx|SetFileAttributes|CreateDirectory|RemoveDirectory|GetFullPathName|GetModuleFileName|GetTempPath|SetCurrentDirectory|GetCurrentDirectory|CreateProcess|ShellExecute|SearchPath|LoadLibrary)A?[[:space:]]*\('
mapfile -t windows_files < <(sources_under core cli sim gui | grep -Ev "$posix_file|^sim/main\.cpp$")
while IFS=: read -r file line text; do
    report "$file:$line" "a narrow file call in code that builds for Windows (${text#"${text%%[! ]*}"})"
done < <(grep -HnE "$narrow_call|$ansi_call" "${windows_files[@]}" | grep -Ev '^[^:]+:[0-9]+:[[:space:]]*//')

if [ "$bad" -eq 0 ]; then
    echo "include directions and file calls: 1 passed, 0 failed"
fi
exit "$bad"
