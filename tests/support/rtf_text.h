/*
 * RTF as a rich edit control shows it: the tests compare what the program
 * shows or saves with the licence document rendered by a control of their
 * own, so they hold for any licence text.
 */
#ifndef MELVOX_TESTS_SUPPORT_RTF_TEXT_H
#define MELVOX_TESTS_SUPPORT_RTF_TEXT_H

#include <windows.h>

#include <string>

/* A hidden rich edit control (the library is loaded on first use), or its
   plain text. */
HWND CreateRichEditWindow();
std::wstring RichEditPlainText(HWND control);
/* RTF bytes as a fresh rich edit control shows them, as plain text. */
std::wstring RenderRtfAsPlainText(const std::string& rtf);

#endif
