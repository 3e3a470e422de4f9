/*
 * Benchmark driver (not a test): runs two programs alternately, N times
 * each, and for each run measures the time from process start until the
 * licence dialog is visible with its text loaded, the time of the whole run
 * closed with Decline, and the process's peak working set just before the
 * close. Prints medians and the ratio of the first program to the second.
 *   bench_driver PROGRAM_A PROGRAM_B N
 */
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const wchar_t kCaption[] = L"Melvox Repair Tool for Vista";
const int kTextControl = 106;

struct Sample {
    double shownMs;
    double totalMs;
    double peakKb;
};

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    Search& search = *reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search.pid || !IsWindowVisible(window))
        return TRUE;
    wchar_t caption[64] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(caption), SMTO_ABORTIFHUNG,
                        1000, &ignored);
    if (lstrcmpW(caption, kCaption) != 0)
        return TRUE;
    DWORD_PTR length = 0;
    SendMessageTimeoutW(GetDlgItem(window, kTextControl), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                        1000, &length);
    if (length == 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

bool RunOnce(const std::wstring& program, Sample& sample)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + program + L"\"";
    double start = Now();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    Search search = {process.dwProcessId, nullptr};
    while (search.found == nullptr && Now() - start < 20000) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            Sleep(1);
    }
    sample.shownMs = Now() - start;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
    sample.peakKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    if (search.found != nullptr)
        PostMessageW(GetDlgItem(search.found, IDCANCEL), BM_CLICK, 0, 0);
    bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    sample.totalMs = Now() - start;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return search.found != nullptr && ended;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_driver PROGRAM_A PROGRAM_B N\n");
        return 2;
    }
    const std::wstring programs[2] = {argv[1], argv[2]};
    const int runs = _wtoi(argv[3]);
    std::vector<double> shown[2], total[2], peak[2];
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < 2; ++p) {
            Sample sample = {};
            if (!RunOnce(programs[p], sample)) {
                std::fprintf(stderr, "run %d of program %d failed\n", i + 1, p + 1);
                return 1;
            }
            shown[p].push_back(sample.shownMs);
            total[p].push_back(sample.totalMs);
            peak[p].push_back(sample.peakKb);
        }
    }
    const char* names[2] = {"tool", "baseline"};
    std::printf("%d runs each, alternating; medians\n", runs);
    std::printf("%-10s %14s %14s %14s\n", "", "shown (ms)", "run (ms)", "peak WS (KiB)");
    for (int p = 0; p < 2; ++p)
        std::printf("%-10s %14.1f %14.1f %14.0f\n", names[p], Median(shown[p]), Median(total[p]),
                    Median(peak[p]));
    std::printf("%-10s %14.2f %14.2f %14.2f\n", "ratio", Median(shown[0]) / Median(shown[1]),
                Median(total[0]) / Median(total[1]), Median(peak[0]) / Median(peak[1]));
    std::printf("targets: shown at most 1.05 times the baseline, peak working set at most "
                "1.03 times\n");
    return 0;
}
