/* placeholder: being written */
#include "license/license_text.h"
int LoadLicenseText(RtfSourceBuffer*, HWND) { return 0; }
DWORD CALLBACK RtfStreamInCallback(DWORD_PTR, LPBYTE, LONG, LONG*) { return 0; }
