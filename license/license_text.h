/*
 * Loading the licence document from the program's resources into the rich
 * edit control: the document is copied into one global-memory block that
 * the control then reads through RtfStreamInCallback.
 */
#ifndef MELVOX_LICENSE_TEXT_H
#define MELVOX_LICENSE_TEXT_H

#include <windows.h>

/* The document in memory and how much of it the control has taken. The
   block is allocated by LoadLicenseText and freed by the dialog procedure
   on Agree or Decline. */
struct RtfSourceBuffer {
    BYTE* data;
    DWORD position;
    DWORD size;
};

int LoadLicenseText(RtfSourceBuffer* source, HWND control);
DWORD CALLBACK RtfStreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested,
                                   LONG* transferred);

#endif
