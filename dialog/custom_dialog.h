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

/* Names in the window system: 8-bit strings for the 8-bit calls. */
#define CUSTOM_DIALOG_CLASS_NAME "MelvoxRepairToolforVistaCustomModalDialog"
#define DIALOG_PROC_PROPERTY "Melvox_DialogProc"
#define DIALOG_PARAM_PROPERTY "Melvox_DialogParamRef"
#define DIALOG_INITIALIZED_PROPERTY "Melvox_DialogInitialized"

/* The fallback timer that initializes a dialog that is never shown. */
#define IDT_DIALOG_INIT 1
#define DIALOG_INIT_DELAY_MS 250

bool RegisterCustomDialogClass(HINSTANCE instance);
LRESULT CALLBACK CustomDialogWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CompleteDialogInitialization(HWND dialog);

#endif
