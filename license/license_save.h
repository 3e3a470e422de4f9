/*
 * Saving the licence: the Save As dialog, which hands back the chosen
 * folder and file name separately, and the writing of a rich edit
 * control's whole content to a file as RTF.
 */
#ifndef MELVOX_LICENSE_SAVE_H
#define MELVOX_LICENSE_SAVE_H

#include <windows.h>

/* What the caller asks of the Save As dialog and where the answer goes. The
   caller zero-fills the record before setting any field. */
struct SaveFileRequest {
    bool noRtfFilter;           /* in: true = no filter, no default extension */
    const wchar_t* title;       /* in: may be null (the system's title) */
    const wchar_t* initialName; /* in: proposed name, may be null */
    DWORD typeCode;             /* in: four-character type code; not read */
    wchar_t* folderOut;         /* out: MAX_PATH characters */
    wchar_t* nameOut;           /* out: nameOutCapacity characters; may be initialName */
    DWORD chosenTypeCode;       /* out: type code of the filter entry used, or 0 */
    HWND owner;                 /* in */
    DWORD nameOutCapacity;      /* in: characters nameOut holds, terminator included */
};

/* "RTF " with the first character in the most significant byte. */
#define RTF_TYPE_CODE 0x52544620u

bool RunSaveFileDialog(SaveFileRequest* request);
DWORD SaveRichEditToFile(const wchar_t* fileName, HWND control, const wchar_t* folder);
DWORD CALLBACK RtfStreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* transferred);

/* Splits a full path into its folder (a drive root keeps its backslash) and
   its last component. False, with nothing written, when the name does not
   fit nameCapacity characters. */
bool SplitChosenPath(const wchar_t* path, wchar_t* folderOut, wchar_t* nameOut, DWORD nameCapacity);

#endif
