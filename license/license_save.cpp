/*
 * Saving the licence. RunSaveFileDialog runs the system's Save As dialog
 * with the RTF filter and returns the chosen file's folder and name apart;
 * SaveRichEditToFile joins them again, creates (or empties) the file and
 * has the control stream its whole content into it as 8-bit RTF, each block
 * appended at the file's end by RtfStreamOutCallback.
 */
#include "license/license_save.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "platform/rich_edit.h"

// The 32-bit record, pvReserved, dwReserved and FlagsEx included; the
// 64-bit one is larger only by its pointer fields.
#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEW) == 88, "OPENFILENAMEW is 88 bytes in the 32-bit interface");
#endif

static const wchar_t kRtfFilterText[] = L"Rich Text files(*.rtf)|*.rtf|";
static const DWORD kNoTypeCode = 0xFFFFFFFFu;

// Copies src and its terminator, cut to fit capacity characters.
static void CopyBounded(wchar_t* dst, int capacity, const wchar_t* src)
{
    lstrcpynW(dst, src, capacity);
}

// '|' stands for the NULs between the filter's entries; the string's own
// terminator then ends the list with a double NUL.
static void BuildFilterList(wchar_t* filter, int capacity)
{
    CopyBounded(filter, capacity, kRtfFilterText);
    int length = lstrlenW(filter);
    for (int i = 0; i < length; ++i) {
        if (filter[i] == L'|')
            filter[i] = L'\0';
    }
}

bool SplitChosenPath(const wchar_t* path, wchar_t* folderOut, wchar_t* nameOut, DWORD nameCapacity)
{
    wchar_t work[MAX_PATH];
    CopyBounded(work, MAX_PATH, path);
    // The name is taken before the cut, which changes the buffer in place.
    const wchar_t* name = PathFindFileNameW(work);
    // A name cut to fit would save under a name the user never chose.
    if (static_cast<DWORD>(lstrlenW(name)) >= nameCapacity)
        return false;
    CopyBounded(nameOut, static_cast<int>(nameCapacity), name);
    PathRemoveFileSpecW(work);
    CopyBounded(folderOut, MAX_PATH, work);
    return true;
}

bool RunSaveFileDialog(SaveFileRequest* request)
{
    wchar_t title[256] = {};
    wchar_t fileName[MAX_PATH] = {};
    wchar_t defaultExtension[16] = {};
    wchar_t filter[255] = {};
    DWORD filterTypeCodes[1] = {0};

    // Copied first: nameOut may be the very buffer that holds initialName.
    if (request->title != nullptr)
        CopyBounded(title, 256, request->title);
    if (request->initialName != nullptr)
        CopyBounded(fileName, MAX_PATH, request->initialName);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(OPENFILENAMEW);
    dialog.hwndOwner = request->owner;
    // Always a real buffer of the size announced: without a proposed name
    // the dialog gets an empty one to write the chosen path into.
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = request->title != nullptr ? title : nullptr;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
    dialog.lpstrDefExt = defaultExtension;
    dialog.FlagsEx = OFN_EX_NOPLACESBAR;

    if (!request->noRtfFilter && request->initialName != nullptr) {
        CopyBounded(defaultExtension, 16, L"rtf");
        BuildFilterList(filter, 255);
        dialog.lpstrFilter = filter;
        filterTypeCodes[0] = kNoTypeCode;
    }

    if (!GetSaveFileNameW(&dialog))
        return false;

    DWORD chosenTypeCode = 0;
    DWORD filterCount = dialog.lpstrFilter != nullptr ? ARRAYSIZE(filterTypeCodes) : 0;
    if (dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= filterCount &&
        filterTypeCodes[dialog.nFilterIndex - 1] != kNoTypeCode)
        chosenTypeCode = filterTypeCodes[dialog.nFilterIndex - 1];

    if (!SplitChosenPath(fileName, request->folderOut, request->nameOut, request->nameOutCapacity))
        return false;
    request->chosenTypeCode = chosenTypeCode;
    return true;
}

DWORD SaveRichEditToFile(const wchar_t* fileName, HWND control, const wchar_t* folder)
{
    wchar_t path[MAX_PATH];
    CopyBounded(path, MAX_PATH, folder);
    // A join too long for the buffer would leave a different path behind.
    if (!PathAppendW(path, fileName))
        return ERROR_FILENAME_EXCED_RANGE;

    // Specific rights rather than GENERIC_WRITE; no sharing while open;
    // CREATE_ALWAYS empties an existing file before anything is written.
    HANDLE file = CreateFileW(path, FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();

    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file);
    stream.dwError = 0;
    stream.pfnCallback = RtfStreamOutCallback;
    SendMessageW(control, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    CloseHandle(file);
    return stream.dwError;
}

DWORD CALLBACK RtfStreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* transferred)
{
    HANDLE file = reinterpret_cast<HANDLE>(cookie);
    if (file == nullptr || count < 0)
        return 0xFFFFFFFFu;
    // Every block lands at the file's current end.
    if (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
        return 0xFFFFFFFFu;
    DWORD written = 0;
    BOOL ok = WriteFile(file, buffer, static_cast<DWORD>(count), &written, nullptr);
    if (transferred != nullptr)
        *transferred = static_cast<LONG>(written);
    return ok ? 0 : 0xFFFFFFFFu;
}
