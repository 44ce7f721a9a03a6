// Stands in for Windows' system-information program in the tests of StartSysInfo: it writes its own
// path and its command line, a line each in UTF-16, to the file that TARNWELL_STAND_IN_MARKER
// names, and ends. The file appears whole or not at all: it is written beside and then renamed. A
// window program, like the one it stands in for, so that no console opens; it uses nothing but
// Windows itself, so it starts from any folder.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t marker[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TARNWELL_STAND_IN_MARKER", marker, MAX_PATH);
    if (length == 0 || length + 5 >= MAX_PATH)
        return 2;
    wchar_t partial[MAX_PATH];
    lstrcpyW(partial, marker);
    lstrcatW(partial, L".part");

    wchar_t self[MAX_PATH];
    const DWORD selfLength = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* commandLine = GetCommandLineW();

    const HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    bool ok = WriteFile(file, self, selfLength * sizeof(wchar_t), &written, nullptr);
    ok = ok && WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    ok = ok &&
         WriteFile(file, commandLine, lstrlenW(commandLine) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    ok = ok && MoveFileExW(partial, marker, MOVEFILE_REPLACE_EXISTING);
    return ok ? 0 : 4;
}
