# Cross-building for 64-bit Windows with Debian's MinGW-w64, both Qt itself
# (scripts/windows-qt.sh) and Tarnwell (scripts/windows-build.sh).
#
# The POSIX thread model is the one whose runtime gives std::thread and std::mutex, which the
# program's worker thread uses; the win32 model's libstdc++ has neither.
#
# TARNWELL_WINDOWS_PREFIXES (a list) names folders of Windows libraries besides MinGW-w64's own,
# such as the Qt built for Windows; they are searched as target folders, never for programs.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWELL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWELL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWELL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWELL_MINGW_TRIPLET}-windres)

# try_compile() projects read this file again: hand them the prefixes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNWELL_WINDOWS_PREFIXES)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWELL_MINGW_TRIPLET} ${TARNWELL_WINDOWS_PREFIXES})
# Programs (moc, rcc, wine) are the build machine's; libraries, headers and CMake packages
# are Windows ones only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
