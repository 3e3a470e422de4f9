/* placeholder: being written */
#include "dialog/custom_dialog.h"
DialogCreationRecord* gPendingDialogCreation = nullptr;
bool RegisterCustomDialogClass(HINSTANCE) { return false; }
LRESULT CALLBACK CustomDialogWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefDlgProcW(w, m, wp, lp); }
void CompleteDialogInitialization(HWND) {}
