/*
 * The custom dialog class. Its window procedure takes over the pending
 * DialogCreationRecord when a window of the class is created, keeps the
 * record's procedure and parameter as window properties and forwards every
 * message to that procedure (or to DefDlgProcW when there is none). Once
 * per window, at the first WM_SHOWWINDOW or when the 250 ms timer fires,
 * it sends WM_APP; on WM_APP the window is made a wide-character window and
 * the focus goes to its first tab stop before the message is forwarded.
 */
#include "dialog/custom_dialog.h"

#include "platform/dialog_services.h"

DialogCreationRecord* gPendingDialogCreation = nullptr;

bool RegisterCustomDialogClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = CustomDialogWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    // The resource set has no icon 128, so the class carries none.
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = CUSTOM_DIALOG_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0;
}

static void StoreOrRemoveProperty(HWND window, const char* name, void* value)
{
    if (value != nullptr)
        SetPropA(window, name, value);
    else
        RemovePropA(window, name);
}

// The creator publishes a record before every window of the class; a window
// created without one gets no procedure and no parameter.
static void TakeOverCreationRecord(HWND window)
{
    DialogCreationRecord* record = gPendingDialogCreation;
    WNDPROC dialogProc = record != nullptr ? record->dialogProc : nullptr;
    void* paramRef = record != nullptr ? record->paramRef : nullptr;
    StoreOrRemoveProperty(window, DIALOG_PROC_PROPERTY, reinterpret_cast<void*>(dialogProc));
    StoreOrRemoveProperty(window, DIALOG_PARAM_PROPERTY, paramRef);
    SetTimer(window, IDT_DIALOG_INIT, DIALOG_INIT_DELAY_MS, nullptr);
    gPendingDialogCreation = nullptr;
}

// The mark is set before WM_APP is sent, so a WM_SHOWWINDOW or WM_TIMER that
// arrives while WM_APP is being handled (the dialog shows itself then) finds
// it and is only forwarded.
static void RunDeferredInitialization(HWND window)
{
    if (GetPropA(window, DIALOG_INITIALIZED_PROPERTY) != nullptr)
        return;
    SetPropA(window, DIALOG_INITIALIZED_PROPERTY, reinterpret_cast<HANDLE>(1));
    KillTimer(window, IDT_DIALOG_INIT);
    SendMessageW(window, WM_DIALOG_INITIALIZE, 0, 0);
}

LRESULT CALLBACK CustomDialogWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        TakeOverCreationRecord(window);
        break;
    case WM_SHOWWINDOW:
        RunDeferredInitialization(window);
        break;
    case WM_TIMER:
        if (wParam == IDT_DIALOG_INIT)
            RunDeferredInitialization(window);
        break;
    case WM_DIALOG_INITIALIZE:
        CompleteDialogInitialization(window);
        break;
    default:
        break;
    }

    // Looked up after the handling, so WM_CREATE already reaches the
    // procedure it stored.
    WNDPROC dialogProc = reinterpret_cast<WNDPROC>(GetPropA(window, DIALOG_PROC_PROPERTY));
    if (dialogProc != nullptr)
        return dialogProc(window, message, wParam, lParam);
    return DefDlgProcW(window, message, wParam, lParam);
}

void CompleteDialogInitialization(HWND dialog)
{
    // The class was registered through the 8-bit call, so until now the
    // platform has handed this window its messages in 8-bit form.
    InstallWideWindowProc(dialog, CustomDialogWndProc);

    HWND firstTabStop = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (firstTabStop != nullptr)
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(firstTabStop), TRUE);
    else
        SetFocus(dialog);
}
