/*
 * A small driver that works the real program as a user would: it starts the
 * program as a process of its own, finds its windows by class and caption,
 * presses buttons and keys with window messages, and notes every top-level
 * window that the process showed while it ran.
 */
#ifndef MELVOX_E2E_DRIVER_H
#define MELVOX_E2E_DRIVER_H

#include <windows.h>

#include <set>
#include <string>

struct ProgramRun {
    PROCESS_INFORMATION process;
    // "class|caption" of each visible top-level window the process showed.
    std::set<std::wstring> windowsSeen;
};

// A unix path (as CMake hands it over) as Wine's drive Z: sees it.
std::wstring WindowsPathFromUnix(const char* unixPath);

bool StartProgram(ProgramRun& run, const std::wstring& program);

// Polls the process's visible top-level windows until one of the class and
// caption given appears (owner as given, when ownerFilter is true), noting
// all windows seen on the way. Null when none appears within the timeout.
HWND WaitForWindow(ProgramRun& run, const wchar_t* className, const wchar_t* caption,
                   DWORD timeoutMs = 20000);
HWND WaitForOwnedWindow(ProgramRun& run, HWND owner, const wchar_t* className,
                        DWORD timeoutMs = 20000);

// Waits for the process to end, noting windows meanwhile. Returns its exit
// code, or STILL_ACTIVE after the timeout (the process is then killed).
DWORD WaitForExit(ProgramRun& run, DWORD timeoutMs = 20000);

// Waits until pred(window) holds, polling; false on timeout.
bool WaitUntil(bool (*pred)(HWND), HWND window, DWORD timeoutMs = 10000);

// True when the program's process has that module (a file name such as
// "comdlg32.dll") loaded, as its module list shows.
bool ModuleLoaded(const ProgramRun& run, const wchar_t* name);

std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);

// Saves what the screen shows as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path);

#endif
