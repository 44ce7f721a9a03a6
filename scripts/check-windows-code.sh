#!/usr/bin/env bash
# Compiles the Windows-only code, which no Linux build ever sees, with MinGW-w64's g++ against
# the Linux Qt 6 headers, syntax only:
#   scripts/check-windows-code.sh
# Checked are every source file and header under src/ that holds a Q_OS_WIN or _WIN32 branch
# (the headers also on their own, so that each stands without the includes of its .cpp).
#
# What this catches: syntax and type errors in the Windows branches, calls to Qt that do not
# exist or do not fit, and Windows API calls checked against MinGW-w64's declarations (names,
# argument types, constants such as KEY_READ or REG_SZ), under -Wall -Wextra -Werror as in the
# real build.
#
# What it cannot catch: anything at link time (a missing import library, an unexported Qt
# symbol), anything at run time, and differences of Windows' own Qt build. The headers come from
# Debian's Linux Qt, so its qconfig.h and feature switches are Linux's: a Qt feature that is off
# on Windows (or a declaration only a Windows Qt build has) is not noticed. Nor does it see what
# MSVC would say, the WIN32 branches of the CMake files, or the Windows branches of tests/.
#
# Qt's headers needed no defines to cope with being read for Windows: they take the platform
# from the compiler's own _WIN32. The only defines given are those Qt's CMake gives every target
# of this project on Windows (UNICODE, _UNICODE and the QT_*_LIB of the modules, QT_NO_DEBUG of a
# release build), so that the headers read the same as there.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

cxx=${MINGW_CXX:-}
if [ -z "$cxx" ]; then
    for candidate in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++; do
        if command -v "$candidate" >/dev/null; then
            cxx=$candidate
            break
        fi
    done
fi
if [ -z "$cxx" ]; then
    echo "No MinGW-w64 C++ compiler: install g++-mingw-w64-x86-64 (scripts/setup.sh does)." >&2
    exit 1
fi

qt=${QT6_INCLUDE_DIR:-/usr/include/x86_64-linux-gnu/qt6}
if [ ! -f "$qt/QtCore/qglobal.h" ]; then
    echo "No Qt 6 headers in $qt: install qt6-base-dev or set QT6_INCLUDE_DIR." >&2
    exit 1
fi

flags=(
    -fsyntax-only -std=c++20 -Wall -Wextra -Werror
    -DUNICODE -D_UNICODE -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NO_DEBUG
    -I src
    -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets"
)

# Every branch below would vanish without a word if Qt stopped taking this compiler for Windows.
printf '#include <QtGlobal>\n#if !defined(Q_OS_WIN) || defined(Q_OS_UNIX)\n#error Qt does not see Windows\n#endif\n' |
    "$cxx" "${flags[@]}" -x c++ -

mapfile -t sources < <(grep -rlE --include='*.cpp' '\b(Q_OS_WIN|_WIN32)\b' src | sort)
mapfile -t headers < <(grep -rlE --include='*.h' '\b(Q_OS_WIN|_WIN32)\b' src | sort)
if ((${#sources[@]} + ${#headers[@]} == 0)); then
    echo "No Windows-only code under src/."
    exit 0
fi

echo "Compiling for Windows with $cxx:"
for file in "${sources[@]}"; do
    echo "  $file"
    "$cxx" "${flags[@]}" "$file"
done
for file in "${headers[@]}"; do
    echo "  $file (on its own)"
    printf '#include "%s"\n' "${file#src/}" | "$cxx" "${flags[@]}" -x c++ -
done
echo "Windows code compiles."
