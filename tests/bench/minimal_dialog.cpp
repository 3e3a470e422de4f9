/*
 * The benchmark's baseline: the least program that shows what the tool's
 * licence dialog shows — the same template with a rich edit control holding
 * the same licence text at the same 7-point default size, with its vertical
 * scroll bar — and ends on Agree or Decline. Nothing else.
 */
#include <windows.h>
#include <richedit.h>

#include "app/resources/resource.h"

namespace
{

struct Source {
    const BYTE* data;
    DWORD size;
    DWORD position;
};

DWORD CALLBACK ReadLicense(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got)
{
    Source& source = *reinterpret_cast<Source*>(cookie);
    DWORD left = source.size - source.position;
    DWORD n = wanted < 0 ? 0 : (static_cast<DWORD>(wanted) < left ? wanted : left);
    CopyMemory(buffer, source.data + source.position, n);
    source.position += n;
    *got = static_cast<LONG>(n);
    return 0;
}

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        // What the tool shows: the text at 7 points by default, and the
        // vertical scroll bar.
        CHARFORMATW format = {};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_SIZE;
        format.yHeight = 140;
        SendDlgItemMessageW(dialog, IDC_LICENSE_TEXT, EM_SETCHARFORMAT, SCF_DEFAULT,
                            reinterpret_cast<LPARAM>(&format));
        HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_LICENSE_RTF), RTF_TEXT_TYPE);
        Source source = {static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info))),
                         SizeofResource(nullptr, info), 0};
        EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadLicense};
        SendDlgItemMessageW(dialog, IDC_LICENSE_TEXT, EM_STREAMIN, SF_RTF,
                            reinterpret_cast<LPARAM>(&stream));
        SendDlgItemMessageW(dialog, IDC_LICENSE_TEXT, EM_SHOWSCROLLBAR, SB_VERT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LoadLibraryA("RichEd20.dll");
    DialogBoxParamW(instance, L"ReportDlg", nullptr, MinimalDialogProc, 0);
    return 0;
}
