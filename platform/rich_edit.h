/*
 * What the program uses of the platform's rich edit control, version 2: the
 * library that provides the "RichEdit20W" class, the messages the licence
 * dialog sends it and the records those messages carry. The control itself
 * is the platform's; this header only names its interface and checks, at
 * compile time, that the records have the layout the messages expect.
 */
#ifndef MELVOX_PLATFORM_RICH_EDIT_H
#define MELVOX_PLATFORM_RICH_EDIT_H

#include <windows.h>
#include <richedit.h>

/* Loaded by the run sequence before the licence dialog is created. */
#define MELVOX_RICH_EDIT_LIBRARY "RichEd20.dll"
#define MELVOX_RICH_EDIT_CLASS L"RichEdit20W"

/* The stream callback's shape: cookie, the control's byte buffer, the
   signed count asked for or offered, the signed count actually moved. */
typedef DWORD(CALLBACK* RichEditStreamCallback)(DWORD_PTR cookie, LPBYTE buffer, LONG count,
                                                LONG* transferred);

static_assert(sizeof(CHARFORMATW) == 92, "CHARFORMATW must be the 92-byte version-2 record");
static_assert(sizeof(CHARRANGE) == 8, "CHARRANGE holds two 32-bit positions");
static_assert(EM_SETCHARFORMAT == 0x0444 && EM_STREAMIN == 0x0449 && EM_STREAMOUT == 0x044A &&
                  EM_SHOWSCROLLBAR == 0x0460 && EM_EXSETSEL == 0x0437,
              "rich edit message numbers");
static_assert(SCF_DEFAULT == 0 && SF_RTF == 2 && CFM_SIZE == 0x80000000u, "rich edit flag values");

#endif
