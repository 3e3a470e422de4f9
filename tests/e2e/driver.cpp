/*
 * The end-to-end driver's helpers: process start, window polling, screen
 * capture. Window handles are valid across processes of one Wine prefix, so
 * the driver reads and works the program's windows directly.
 */
#include "driver.h"

#include <psapi.h>

#include <vector>

std::wstring WindowsPathFromUnix(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += (*p == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

bool StartProgram(ProgramRun& run, const std::wstring& program)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + program + L"\"";
    run.process = {};
    run.windowsSeen.clear();
    return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &run.process) != 0;
}

bool ModuleLoaded(const ProgramRun& run, const wchar_t* name)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(run.process.hProcess, modules, sizeof(modules), &bytes))
        return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t moduleName[MAX_PATH] = L"";
        GetModuleBaseNameW(run.process.hProcess, modules[i], moduleName, MAX_PATH);
        if (lstrcmpiW(moduleName, name) == 0)
            return true;
    }
    return false;
}

std::wstring WindowText(HWND window)
{
    // Sent, not GetWindowTextW: for a window of another process that reads
    // only the stored caption, never a control's content.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::wstring();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

namespace
{

struct WindowQuery {
    ProgramRun* run;
    const wchar_t* className;
    const wchar_t* caption;
    bool ownerFilter;
    HWND owner;
    HWND found;
};

BOOL CALLBACK NoteWindow(HWND window, LPARAM lParam)
{
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.run->process.dwProcessId || !IsWindowVisible(window))
        return TRUE;
    std::wstring cls = ClassOf(window);
    std::wstring text = WindowText(window);
    query.run->windowsSeen.insert(cls + L"|" + text);
    bool classMatches = query.className == nullptr || lstrcmpiW(cls.c_str(), query.className) == 0;
    bool captionMatches = query.caption == nullptr || text == query.caption;
    bool ownerMatches = !query.ownerFilter || GetWindow(window, GW_OWNER) == query.owner;
    if (query.found == nullptr && classMatches && captionMatches && ownerMatches)
        query.found = window;
    return TRUE;
}

HWND Poll(WindowQuery& query, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        query.found = nullptr;
        EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&query));
        if (query.found != nullptr || GetTickCount() - start > timeoutMs)
            return query.found;
        if (WaitForSingleObject(query.run->process.hProcess, 0) == WAIT_OBJECT_0)
            return nullptr;
        Sleep(20);
    }
}

} // namespace

HWND WaitForWindow(ProgramRun& run, const wchar_t* className, const wchar_t* caption,
                   DWORD timeoutMs)
{
    WindowQuery query = {&run, className, caption, false, nullptr, nullptr};
    return Poll(query, timeoutMs);
}

HWND WaitForOwnedWindow(ProgramRun& run, HWND owner, const wchar_t* className, DWORD timeoutMs)
{
    WindowQuery query = {&run, className, nullptr, true, owner, nullptr};
    return Poll(query, timeoutMs);
}

DWORD WaitForExit(ProgramRun& run, DWORD timeoutMs)
{
    WindowQuery query = {&run, nullptr, nullptr, false, nullptr, nullptr};
    DWORD start = GetTickCount();
    while (WaitForSingleObject(run.process.hProcess, 20) == WAIT_TIMEOUT) {
        EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&query));
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(run.process.hProcess, 99);
            WaitForSingleObject(run.process.hProcess, 5000);
            break;
        }
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.process.hProcess, &code);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.process.hProcess = nullptr;
    return code;
}

bool WaitUntil(bool (*pred)(HWND), HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!pred(window)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

bool SaveScreenshot(const std::wstring& path)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);

    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;

    bool ok = false;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE && bits != nullptr) {
        DWORD written = 0;
        ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
             WriteFile(out, &info.bmiHeader, sizeof(BITMAPINFOHEADER), &written, nullptr) &&
             WriteFile(out, bits, imageSize, &written, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}
