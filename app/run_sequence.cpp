/*
 * The whole visible run: the licence agreement in its modal dialog, then,
 * after Agree, a confirmation box, then, after OK, the repair of the data
 * folder. Every path ends the same way: the rich edit library is freed and
 * WM_QUIT with exit code 0 is posted for WinMain's message loop.
 */
#include "app/run_sequence.h"

#include "app/app_globals.h"
#include "app/resources/resource.h"
#include "app/system_library.h"
#include "dialog/custom_dialog.h"
#include "license/license_dialog.h"
#include "license/license_text.h"
#include "platform/rich_edit.h"
#include "repair/data_folder_repair.h"

HMODULE gRichEditLibrary = nullptr;

int RunStartupSequence(HINSTANCE instance)
{
    gInstance = instance;

    // Provides the "RichEdit20W" class that the dialog template's text
    // control uses; without it the dialog cannot be created and
    // DialogBoxParamW returns -1, which ends the run like Decline. Not one
    // of the libraries the system always takes from its own folder, so
    // named with the system folder: a copy beside the program is never run.
    gRichEditLibrary = LoadSystemLibrary(MELVOX_RICH_EDIT_LIBRARY);

    // Both records live in this frame, which outlasts the modal dialog.
    RtfSourceBuffer licenseSource = {};
    DialogCreationRecord creation;
    creation.dialogProc = LicenseDialogProc;
    creation.paramRef = &licenseSource;
    gPendingDialogCreation = &creation;

    INT_PTR result = DialogBoxParamW(instance, L"ReportDlg", nullptr, nullptr, 0);

    if (LOWORD(result) == IDOK) {
        wchar_t caption[256];
        wchar_t text[256];
        LoadStringW(gInstance, IDS_DIALOG_CAPTION, caption, 256);
        LoadStringW(gInstance, IDS_CONFIRM_PROMPT, text, 256);
        int answer = MessageBoxW(nullptr, text, caption, MB_OKCANCEL);
        // The repair's libraries are loaded on its first use; without one
        // it changes nothing, as after a failed call.
        if (LOWORD(answer) == IDOK && LoadSystemLibraries("advapi32.dll\0shell32.dll\0"))
            RepairDataFolder();
    }

    if (gRichEditLibrary != nullptr) {
        FreeLibrary(gRichEditLibrary);
        gRichEditLibrary = nullptr;
    }
    PostQuitMessage(0);
    return 1;
}
