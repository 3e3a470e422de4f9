/* Shared fixtures for the dialog tests; see the header. */
#include "tests/dialog/dialog_test_support.h"

#include <richedit.h>

#include <vector>

#include "app/app_globals.h"
#include "app/resources/resource.h"
#include "dialog/custom_dialog.h"

void EnsureDialogTestSetUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    gInstance = GetModuleHandleW(nullptr);
    LoadLibraryA("RichEd20.dll");
    RegisterCustomDialogClass(gInstance);
}

std::string LicenseResourceBytes()
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(IDR_LICENSE_RTF), RTF_TEXT_TYPE);
    if (info == nullptr)
        return std::string();
    DWORD size = SizeofResource(module, info);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
    return std::string(bytes, size);
}

// Wine reuses process ids, so a folder of an earlier run may exist: only a
// folder created here and now counts.
std::wstring MakeTempFolder(const wchar_t* tag)
{
    static unsigned counter = GetTickCount();
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        std::wstring folder = std::wstring(base) + L"melvox-dlg-" + tag + L"-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return folder;
    }
}

void PumpMessages(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

static BOOL CALLBACK FindOwned(HWND window, LPARAM lParam)
{
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(lParam);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, L"#32770") == 0 && GetWindow(window, GW_OWNER) == search->owner &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForOwnedDialog(HWND owner, DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        OwnedSearch search = {owner, nullptr};
        EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

bool WaitForWindowGone(HWND window, DWORD ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(20);
    }
    return true;
}

// Control ids of the system's Explorer-style file dialog.
static const int kFileNameField = 0x47C;
static const int kFileTypeList = 0x470;

std::thread DriveSaveAs(HWND owner, const SaveAsAction& action, SaveAsSeen* seen)
{
    return std::thread([owner, action, seen] {
        HWND dialog = WaitForOwnedDialog(owner, 10000);
        if (dialog == nullptr)
            return;
        seen->found = true;
        wchar_t text[512] = {};
        GetWindowTextW(dialog, text, 512);
        seen->title = text;
        text[0] = 0;
        GetDlgItemTextW(dialog, kFileNameField, text, 512);
        seen->nameField = text;
        HWND types = GetDlgItem(dialog, kFileTypeList);
        seen->filterCount = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
        text[0] = 0;
        if (seen->filterCount > 0)
            SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        seen->firstFilter = text;

        if (!action.save) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        } else {
            SetDlgItemTextW(dialog, kFileNameField, action.typedPath.c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            if (action.expectReplacePrompt) {
                HWND prompt = WaitForOwnedDialog(dialog, 5000);
                if (prompt != nullptr) {
                    PostMessageW(prompt, WM_COMMAND, IDYES, 0);
                    seen->replacePromptAnswered = true;
                }
            }
        }
        seen->closed = WaitForWindowGone(dialog, 10000);
    });
}

ImportPatch::ImportPatch(void** slot, void* replacement) : slot_(slot), original_(*slot)
{
    DWORD old = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
    *slot_ = replacement;
}

ImportPatch::~ImportPatch()
{
    *slot_ = original_;
}
