/*
 * Stands in for the user when scripts/run has no display to show the tool
 * on: waits for the licence dialog or the confirmation box, and with
 * "press" clicks its first button (Agree, OK).
 *   demo_press dialog|box [press]
 * Exit code 0 when the window was found (and pressed), 1 otherwise.
 */
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const wchar_t* caption = L"Melvox Repair Tool for Vista";
    const wchar_t* windowClass =
        lstrcmpW(argv[1], L"box") == 0 ? L"#32770" : L"MelvoxRepairToolforVistaCustomModalDialog";
    HWND window = nullptr;
    for (int i = 0; i < 1000 && window == nullptr; ++i) {
        window = FindWindowW(windowClass, caption);
        if (window == nullptr || !IsWindowVisible(window)) {
            window = nullptr;
            Sleep(20);
        }
    }
    if (window == nullptr)
        return 1;
    if (argc > 2 && lstrcmpW(argv[2], L"press") == 0)
        PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    else
        Sleep(500); // let it paint before the caller takes a screenshot
    return 0;
}
