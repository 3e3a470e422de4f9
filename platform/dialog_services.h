/*
 * What the program uses of the platform's window and dialog manager beyond
 * the ordinary windows.h names: the message that tells a dialog of the
 * program's own class to initialize itself, the dialog-window extra bytes,
 * and the one call that re-installs a window procedure through the
 * wide-character interface (GWL_WNDPROC in the 32-bit interface, its
 * pointer-sized twin in the 64-bit one).
 */
#ifndef MELVOX_PLATFORM_DIALOG_SERVICES_H
#define MELVOX_PLATFORM_DIALOG_SERVICES_H

#include <windows.h>

/* Sent once per dialog window, wParam 0, lParam 0. */
#define WM_DIALOG_INITIALIZE WM_APP

static_assert(WM_APP == 0x8000, "the initialize message is WM_APP");
static_assert(DLGWINDOWEXTRA == 30, "extra window bytes the dialog manager needs");
static_assert(WM_NEXTDLGCTL == 0x0028 && WM_GETMINMAXINFO == 0x0024 && WM_SHOWWINDOW == 0x0018,
              "window message numbers");

/* Re-installing the procedure through the wide call makes the window a
   wide-character window. In the 32-bit headers SetWindowLongPtrW is
   SetWindowLongW and GWLP_WNDPROC is GWL_WNDPROC (-4). */
inline void InstallWideWindowProc(HWND window, WNDPROC procedure)
{
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

#endif
