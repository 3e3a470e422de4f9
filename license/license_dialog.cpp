/* placeholder: being written */
#include "license/license_dialog.h"
LRESULT CALLBACK LicenseDialogProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefDlgProcW(w, m, wp, lp); }
