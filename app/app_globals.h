/*
 * The module instance handle, set by the run sequence before the licence
 * dialog is created and read by the dialog for its caption string and the
 * licence document.
 */
#ifndef MELVOX_APP_GLOBALS_H
#define MELVOX_APP_GLOBALS_H

#include <windows.h>

extern HINSTANCE gInstance;

#endif
