/*
 * The program's own dialog window class. A creator publishes a
 * DialogCreationRecord through gPendingDialogCreation and creates a dialog
 * whose template names this class, with no dialog function; the class's
 * window procedure hands the new window that procedure and parameter (as
 * window properties) and sends it one deferred WM_APP once it is shown, or
 * 250 ms after its creation.
 */
#ifndef MELVOX_CUSTOM_DIALOG_H
#define MELVOX_CUSTOM_DIALOG_H

#include <windows.h>

/* Owned by the creator; read only during the new window's WM_CREATE. */
struct DialogCreationRecord {
    WNDPROC dialogProc;
    void* paramRef;
};

extern DialogCreationRecord* gPendingDialogCreation;

bool RegisterCustomDialogClass(HINSTANCE instance);
LRESULT CALLBACK CustomDialogWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CompleteDialogInitialization(HWND dialog);

#endif
