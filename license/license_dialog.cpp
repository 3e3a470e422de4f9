/*
 * The licence dialog's procedure. It runs as the window procedure of the
 * custom dialog class, so it does its own handling and then returns what
 * DefDlgProcW returns, except for the initialize message WM_APP, which it
 * answers with 1 itself. On WM_APP it sets the text size, measures the
 * layout, sets the caption, loads the licence, centres and shows the dialog
 * and puts the caret at the start; Agree and Decline free the document's
 * block and end the dialog with 1 or 2; Save... writes the licence as RTF;
 * WM_SIZE and WM_GETMINMAXINFO keep the layout.
 */
#include "license/license_dialog.h"

#include <shlwapi.h>

#include "app/app_globals.h"
#include "app/resources/resource.h"
#include "app/system_library.h"
#include "dialog/custom_dialog.h"
#include "license/license_layout.h"
#include "license/license_save.h"
#include "license/license_text.h"
#include "platform/dialog_services.h"
#include "platform/rich_edit.h"

static const LONG kLicenseTextHeightTwips = 140; // 7 points
static const wchar_t kDefaultLicenseFileName[] = L"Melvox Repair Tool for Vista Software license";
static const wchar_t kSaveDialogTitle[] = L"Save license as:";

static RtfSourceBuffer* LicenseSource(HWND dialog)
{
    return static_cast<RtfSourceBuffer*>(GetPropA(dialog, DIALOG_PARAM_PROPERTY));
}

static void SetDefaultTextSize(HWND text)
{
    CHARFORMATW format;
    ZeroMemory(&format, sizeof(format));
    format.cbSize = sizeof(format);
    format.dwMask = CFM_SIZE;
    format.yHeight = kLicenseTextHeightTwips;
    SendMessageW(text, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

static void InitializeLicenseDialog(HWND dialog)
{
    RtfSourceBuffer* source = LicenseSource(dialog);
    HWND text = GetDlgItem(dialog, IDC_LICENSE_TEXT);
    SetDefaultTextSize(text);

    // Before the dialog is moved: the minimum height is measured from where
    // the dialog manager created it.
    MeasureLicenseLayout(dialog);

    wchar_t caption[256] = {};
    LoadStringW(gInstance, IDS_DIALOG_CAPTION, caption, 256);
    SetWindowTextW(dialog, caption);

    if (source != nullptr)
        LoadLicenseText(source, text);
    CenterOnWorkArea(dialog);

    SendMessageW(text, EM_SHOWSCROLLBAR, SB_VERT, TRUE);
    CHARRANGE caret = {0, 0};
    SendMessageW(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
}

// The block is released once: data is cleared with it, so a second Agree
// or Decline that reaches the dialog before it is gone frees nothing.
static void EndLicenseDialog(HWND dialog, int result)
{
    RtfSourceBuffer* source = LicenseSource(dialog);
    if (source != nullptr && source->data != nullptr) {
        GlobalFree(source->data);
        source->data = nullptr;
    }
    EndDialog(dialog, result);
}

static void SaveLicense(HWND dialog)
{
    // The program loads the Save As dialog's libraries on their first use;
    // without one, Save... writes nothing, as after a failed call.
    if (LicenseSource(dialog) == nullptr || !LoadSystemLibraries("comdlg32.dll\0shlwapi.dll\0"))
        return;

    wchar_t extension[15] = {};
    StrCatBuffW(extension, L".rtf", 15);
    // Proposed afresh on every press, whatever was chosen last time.
    wchar_t fileName[256] = {};
    lstrcpynW(fileName, kDefaultLicenseFileName, 255);
    StrCatBuffW(fileName, extension, 255);
    wchar_t folder[MAX_PATH];
    ZeroMemory(folder, sizeof(folder));

    SaveFileRequest request;
    ZeroMemory(&request, sizeof(request));
    request.title = kSaveDialogTitle;
    request.initialName = fileName;
    request.typeCode = RTF_TYPE_CODE;
    request.folderOut = folder;
    request.nameOut = fileName;
    request.nameOutCapacity = ARRAYSIZE(fileName);
    request.owner = dialog;
    if (RunSaveFileDialog(&request))
        SaveRichEditToFile(fileName, GetDlgItem(dialog, IDC_LICENSE_TEXT), folder);
}

static void HandleCommand(HWND dialog, WPARAM wParam)
{
    // The notification code and the sender are not looked at: any
    // notification from control 1 or 2 counts as a press.
    short id = static_cast<short>(LOWORD(wParam));
    if (id <= 0)
        return;
    switch (id) {
    case IDOK:
    case IDCANCEL: // also Escape and the close box
        EndLicenseDialog(dialog, id);
        break;
    case IDC_SAVE_LICENSE:
        SaveLicense(dialog);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK LicenseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DIALOG_INITIALIZE:
        InitializeLicenseDialog(dialog);
        return 1;
    case WM_SIZE:
        if (gLayoutReady && LicenseSource(dialog) != nullptr)
            LayOutLicenseDialog(dialog, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_GETMINMAXINFO:
        FillMinimumTrackSize(reinterpret_cast<MINMAXINFO*>(lParam));
        break;
    case WM_COMMAND:
        HandleCommand(dialog, wParam);
        break;
    default:
        break;
    }
    return DefDlgProcW(dialog, message, wParam, lParam);
}
