/*
 * A library for the planted-library test, built under the rich edit
 * library's file name and put beside a copy of the program. Loading it is
 * the whole attack: when it is loaded it leaves a mark, the file
 * "planted-library-ran" in its own folder, and does nothing else.
 */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\')
        --name;
    lstrcpyW(name, L"planted-library-ran");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE)
        CloseHandle(mark);
    return TRUE;
}
