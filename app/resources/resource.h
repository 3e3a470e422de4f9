/*
 * Resource identifiers, shared by the resource script and the code.
 * Hand-written: the numbers are part of the program's fixed resource set.
 */
#ifndef MELVOX_RESOURCE_H
#define MELVOX_RESOURCE_H

/* Strings */
#define IDS_DIALOG_CAPTION 104
#define IDS_CONFIRM_PROMPT 105

/* Controls of the licence dialog (IDOK and IDCANCEL are Agree and Decline) */
#define IDC_LICENSE_TEXT 106
#define IDC_SAVE_LICENSE 108

/* Icon groups */
#define IDI_TOOL_ICON 107
#define IDI_TOOL_ICON_ALT 108

/* Accelerator table, licence document */
#define IDR_ACCELERATORS 109
#define IDR_LICENSE_RTF 129

/* The licence document's resource type, an 8-bit name */
#define RTF_TEXT_TYPE "RTF_TEXT"

#endif
