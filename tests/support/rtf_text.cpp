/*
 * Rich edit helpers shared by the test programs (see rtf_text.h).
 */
#include "tests/support/rtf_text.h"

#include <richedit.h>
#include <string.h>

HWND CreateRichEditWindow()
{
    static HMODULE library = LoadLibraryA("RichEd20.dll");
    (void)library;
    return CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, 0, 0, 400, 300, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring RichEditPlainText(HWND control)
{
    int length = GetWindowTextLengthW(control);
    std::wstring text(length + 1, L'\0');
    int got = GetWindowTextW(control, &text[0], length + 1);
    text.resize(got);
    return text;
}

struct ByteCursor {
    const std::string* bytes;
    size_t position;
};

static DWORD CALLBACK ReadFromString(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done)
{
    ByteCursor* cursor = reinterpret_cast<ByteCursor*>(cookie);
    size_t n = cursor->bytes->size() - cursor->position;
    if (count < 0)
        count = 0;
    if (n > static_cast<size_t>(count))
        n = static_cast<size_t>(count);
    memcpy(buffer, cursor->bytes->data() + cursor->position, n);
    cursor->position += n;
    *done = static_cast<LONG>(n);
    return 0;
}

std::wstring RenderRtfAsPlainText(const std::string& rtf)
{
    HWND control = CreateRichEditWindow();
    ByteCursor cursor = {&rtf, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&cursor);
    stream.pfnCallback = ReadFromString;
    SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    std::wstring text = RichEditPlainText(control);
    DestroyWindow(control);
    return text;
}
