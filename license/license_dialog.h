/*
 * The licence dialog's procedure: initializes the dialog once, keeps its
 * layout, saves the agreement on Save..., and ends the dialog with 1 on
 * Agree and 2 on Decline.
 */
#ifndef MELVOX_LICENSE_DIALOG_H
#define MELVOX_LICENSE_DIALOG_H

#include <windows.h>

LRESULT CALLBACK LicenseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
