/*
 * Saving the licence. RunSaveFileDialog against the real Save As dialog,
 * driven from a second thread, with the OPENFILENAMEW that reaches
 * GetSaveFileNameW recorded on the way (the real function still runs):
 * flags, filter, default extension, title, proposed name, and the empty
 * buffer a request without a name gets. The folder and name split that
 * joins back to the chosen path. SaveRichEditToFile and its callback:
 * whole content as RTF that streams back in, over a larger file, twice,
 * and failed creates and writes.
 */
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shlwapi.h>

#include <string>

#include "license/license_save.h"
#include "license/license_text.h"
#include "tests/dialog/dialog_test_support.h"

MELVOX_IMPORT_SLOT(GetSaveFileNameW, 4);

namespace
{

struct RecordedDialog {
    int calls = 0;
    OPENFILENAMEW ofn = {};
    bool hasFile = false;
    std::wstring file, title, defExt;
    bool hasFilter = false;
    std::wstring filter; // every character up to the list's double NUL
};

RecordedDialog gRecorded;
void* gRealGetSaveFileNameW = nullptr;

BOOL WINAPI RecordingGetSaveFileNameW(LPOPENFILENAMEW ofn)
{
    ++gRecorded.calls;
    gRecorded.ofn = *ofn;
    gRecorded.hasFile = ofn->lpstrFile != nullptr;
    gRecorded.file = ofn->lpstrFile != nullptr ? ofn->lpstrFile : L"";
    gRecorded.title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : L"";
    gRecorded.defExt = ofn->lpstrDefExt != nullptr ? ofn->lpstrDefExt : L"(null)";
    gRecorded.hasFilter = ofn->lpstrFilter != nullptr;
    gRecorded.filter.clear();
    if (ofn->lpstrFilter != nullptr) {
        const wchar_t* p = ofn->lpstrFilter;
        while (p[0] != 0 || p[1] != 0)
            gRecorded.filter += *p++;
        gRecorded.filter += L'\0';
    }
    return reinterpret_cast<BOOL(WINAPI*)(LPOPENFILENAMEW)>(gRealGetSaveFileNameW)(ofn);
}

class SaveFileDialog : public testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureDialogTestSetUp();
        gRecorded = RecordedDialog();
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        patch_ = new ImportPatch(&__imp_GetSaveFileNameW,
                                 reinterpret_cast<void*>(RecordingGetSaveFileNameW));
        gRealGetSaveFileNameW = patch_->original();
        wcscpy(folder_, L"untouched folder");
    }
    void TearDown() override
    {
        delete patch_;
        DestroyWindow(owner_);
    }
    SaveFileRequest Request(const wchar_t* title, const wchar_t* initialName, bool noRtfFilter)
    {
        SaveFileRequest request;
        ZeroMemory(&request, sizeof(request));
        if (initialName != nullptr)
            wcscpy(name_, initialName);
        request.noRtfFilter = noRtfFilter;
        request.title = title;
        request.initialName = initialName != nullptr ? name_ : nullptr;
        request.typeCode = RTF_TYPE_CODE;
        request.folderOut = folder_;
        request.nameOut = name_;
        request.nameOutCapacity = 256;
        request.chosenTypeCode = 0x1234;
        request.owner = owner_;
        return request;
    }
    bool Run(SaveFileRequest* request, const SaveAsAction& action, SaveAsSeen* seen)
    {
        std::thread driver = DriveSaveAs(owner_, action, seen);
        bool chosen = RunSaveFileDialog(request);
        driver.join();
        return chosen;
    }

    HWND owner_ = nullptr;
    ImportPatch* patch_ = nullptr;
    wchar_t folder_[MAX_PATH] = {};
    wchar_t name_[256] = {};
};

TEST_F(SaveFileDialog, OffersTheRtfFilterTitleAndProposedNameAndCancelTouchesNothing)
{
    SaveFileRequest request = Request(L"Save license as:", L"Proposed name.rtf", false);
    SaveAsSeen seen;
    EXPECT_FALSE(Run(&request, SaveAsAction{false, L"", false}, &seen));

    ASSERT_EQ(1, gRecorded.calls);
    const OPENFILENAMEW& ofn = gRecorded.ofn;
    EXPECT_EQ(sizeof(OPENFILENAMEW), ofn.lStructSize);
    EXPECT_EQ(owner_, ofn.hwndOwner);
    EXPECT_EQ(0x00880002u, ofn.Flags);
    EXPECT_EQ(static_cast<DWORD>(OFN_EX_NOPLACESBAR), ofn.FlagsEx);
    EXPECT_EQ(260u, ofn.nMaxFile);
    EXPECT_EQ(0u, ofn.nFilterIndex);
    EXPECT_EQ(nullptr, ofn.hInstance);
    EXPECT_EQ(nullptr, ofn.lpstrCustomFilter);
    EXPECT_EQ(nullptr, ofn.lpstrFileTitle);
    EXPECT_EQ(nullptr, ofn.lpstrInitialDir);
    EXPECT_EQ(nullptr, ofn.lpfnHook);
    EXPECT_EQ(L"Proposed name.rtf", gRecorded.file);
    EXPECT_EQ(L"Save license as:", gRecorded.title);
    EXPECT_EQ(L"rtf", gRecorded.defExt);
    EXPECT_EQ(std::wstring(L"Rich Text files(*.rtf)\0*.rtf\0", 29), gRecorded.filter);

    // What the user saw.
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(L"Save license as:", seen.title);
    EXPECT_EQ(L"Proposed name.rtf", seen.nameField);
    EXPECT_EQ(1, seen.filterCount);
    EXPECT_EQ(L"Rich Text files(*.rtf)", seen.firstFilter);
    EXPECT_TRUE(seen.closed);

    EXPECT_STREQ(L"untouched folder", folder_);
    EXPECT_STREQ(L"Proposed name.rtf", name_);
    EXPECT_EQ(0x1234u, request.chosenTypeCode);
}

TEST_F(SaveFileDialog, WithoutFilterOrNameOrTitle)
{
    struct Case {
        const char* what;
        const wchar_t* title;
        const wchar_t* initialName;
        bool noRtfFilter;
    };
    const Case cases[] = {
        {"no RTF filter asked", L"T", L"n.rtf", true},
        {"no proposed name", L"T", nullptr, false},
        {"no title either", nullptr, nullptr, false},
    };
    std::wstring folder = MakeTempFolder(L"variants");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gRecorded = RecordedDialog();
        SaveFileRequest request = Request(c.title, c.initialName, c.noRtfFilter);
        std::wstring typed = folder + L"\\typed.txt";
        SaveAsSeen seen;
        ASSERT_TRUE(Run(&request, SaveAsAction{true, typed, false}, &seen));
        ASSERT_EQ(1, gRecorded.calls);
        EXPECT_FALSE(gRecorded.hasFilter);
        EXPECT_EQ(L"", gRecorded.defExt) << "empty, never absent";
        // A real buffer of the announced size, even without a name.
        EXPECT_TRUE(gRecorded.hasFile);
        EXPECT_EQ(260u, gRecorded.ofn.nMaxFile);
        EXPECT_EQ(c.initialName != nullptr ? c.initialName : L"", gRecorded.file);
        EXPECT_EQ(c.title != nullptr ? c.title : L"", gRecorded.title);
        if (c.title == nullptr) {
            EXPECT_EQ(nullptr, gRecorded.ofn.lpstrTitle);
        }
        EXPECT_EQ(folder, folder_);
        EXPECT_STREQ(L"typed.txt", name_);
        EXPECT_EQ(0u, request.chosenTypeCode);
    }
}

TEST_F(SaveFileDialog, ChosenPathSplitsAndJoinsBackIncludingADriveRoot)
{
    std::wstring folder = MakeTempFolder(L"split");
    struct Case {
        std::wstring typed;
        std::wstring expectedFolder;
        std::wstring expectedName;
    };
    const Case cases[] = {
        // Typed without an extension: the dialog adds "rtf".
        {folder + L"\\chosen", folder, L"chosen.rtf"},
        {L"C:\\melvox root save.rtf", L"C:\\", L"melvox root save.rtf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed " << std::string(c.typed.begin(), c.typed.end()));
        SaveFileRequest request = Request(L"Save license as:", L"Proposed.rtf", false);
        SaveAsSeen seen;
        ASSERT_TRUE(Run(&request, SaveAsAction{true, c.typed, false}, &seen));
        EXPECT_EQ(c.expectedFolder, folder_);
        EXPECT_EQ(c.expectedName, name_);
        EXPECT_EQ(0u, request.chosenTypeCode) << "the RTF entry has no type code";
        wchar_t joined[MAX_PATH];
        lstrcpynW(joined, folder_, MAX_PATH);
        PathAppendW(joined, name_);
        EXPECT_EQ(c.expectedFolder == L"C:\\" ? c.typed : folder + L"\\chosen.rtf",
                  std::wstring(joined));
    }
}

TEST(SplitChosenPath, JoinsBackToThePath)
{
    const wchar_t* paths[] = {
        L"C:\\a\\b.rtf",
        L"C:\\b.rtf",
        L"D:\\deep\\er\\name with blanks.rtf",
        L"\\\\server\\share\\x.rtf",
        L"C:\\dir.with.dots\\no extension",
    };
    for (const wchar_t* path : paths) {
        wchar_t folder[MAX_PATH] = {};
        wchar_t name[256] = {};
        ASSERT_TRUE(SplitChosenPath(path, folder, name, 256));
        EXPECT_EQ(std::wstring(PathFindFileNameW(path)), name);
        wchar_t joined[MAX_PATH];
        lstrcpynW(joined, folder, MAX_PATH);
        PathAppendW(joined, name);
        EXPECT_STREQ(path, joined);
    }
    wchar_t root[MAX_PATH] = {};
    wchar_t name[256] = {};
    SplitChosenPath(L"C:\\b.rtf", root, name, 256);
    EXPECT_STREQ(L"C:\\", root) << "a drive root keeps its backslash";
}

TEST(SplitChosenPath, NameTooLongForTheBufferIsRefusedNotCut)
{
    std::wstring fits = L"C:\\" + std::wstring(255, L'n');
    std::wstring tooLong = L"C:\\" + std::wstring(256, L'n');
    wchar_t folder[MAX_PATH] = L"before";
    wchar_t name[256] = L"before";
    EXPECT_FALSE(SplitChosenPath(tooLong.c_str(), folder, name, 256));
    EXPECT_STREQ(L"before", folder);
    EXPECT_STREQ(L"before", name);
    EXPECT_TRUE(SplitChosenPath(fits.c_str(), folder, name, 256));
    EXPECT_EQ(std::wstring(255, L'n'), name);
}

class SaveRichEdit : public testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureDialogTestSetUp();
        control_ = CreateRichEditWindow();
        RtfSourceBuffer source = {};
        LoadLicenseText(&source, control_);
        GlobalFree(source.data);
        text_ = RichEditPlainText(control_);
        folder_ = MakeTempFolder(L"save");
    }
    void TearDown() override
    {
        DestroyWindow(control_);
    }
    HWND control_ = nullptr;
    std::wstring text_;
    std::wstring folder_;
};

TEST_F(SaveRichEdit, WritesTheWholeContentAsRtfThatStreamsBackIn)
{
    ASSERT_GT(text_.size(), 100u);
    // A selection does not limit what is written.
    CHARRANGE part = {5, 20};
    SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&part));

    EXPECT_EQ(0u, SaveRichEditToFile(L"licence.rtf", control_, folder_.c_str()));

    std::string saved = ReadBytes(folder_ + L"\\licence.rtf");
    ASSERT_GT(saved.size(), 5u);
    EXPECT_EQ("{\\rtf", saved.substr(0, 5));
    EXPECT_EQ(text_, RenderRtfAsPlainText(saved));
}

TEST_F(SaveRichEdit, OverALargerFileAndAgainRewritesFromTheStart)
{
    std::wstring path = folder_ + L"\\licence.rtf";
    WriteBytes(path, std::string(200000, 'X'));

    EXPECT_EQ(0u, SaveRichEditToFile(L"licence.rtf", control_, folder_.c_str()));
    std::string first = ReadBytes(path);
    EXPECT_EQ(std::string::npos, first.find("XXXX")) << "nothing of the old file is left";
    EXPECT_LT(first.size(), 200000u);
    EXPECT_EQ(text_, RenderRtfAsPlainText(first));

    EXPECT_EQ(0u, SaveRichEditToFile(L"licence.rtf", control_, folder_.c_str()));
    EXPECT_EQ(first, ReadBytes(path)) << "a second save is not appended";
}

TEST_F(SaveRichEdit, FailedCreateReportsTheReasonAndWritesNothing)
{
    std::wstring missing = folder_ + L"\\no such folder";
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND),
              SaveRichEditToFile(L"licence.rtf", control_, missing.c_str()));
    EXPECT_FALSE(Exists(missing + L"\\licence.rtf"));

    // Held open by someone else without sharing: left as it was.
    std::wstring path = folder_ + L"\\held.rtf";
    WriteBytes(path, "held content");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION),
              SaveRichEditToFile(L"held.rtf", control_, folder_.c_str()));
    CloseHandle(held);
    EXPECT_EQ("held content", ReadBytes(path));
    EXPECT_EQ(text_, RichEditPlainText(control_));
}

TEST_F(SaveRichEdit, FailedWriteStopsTheStreamWithMinusOne)
{
    // The unix device that refuses every write: "disk full".
    EXPECT_EQ(0xFFFFFFFFu, SaveRichEditToFile(L"full", control_, L"Z:\\dev"));
    EXPECT_EQ(text_, RichEditPlainText(control_));
}

TEST(RtfStreamOutCallback, AppendsEachBlockAtTheEndAndStopsOnFailure)
{
    std::wstring path = MakeTempFolder(L"callback") + L"\\blocks.rtf";
    WriteBytes(path, "abc");
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_DATA | FILE_APPEND_DATA, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    BYTE block[] = {'d', 'e', 'f'};
    LONG transferred = -1;
    EXPECT_EQ(0u, RtfStreamOutCallback(reinterpret_cast<DWORD_PTR>(file), block, 3, &transferred));
    EXPECT_EQ(3, transferred);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN); // the next block still goes to the end
    EXPECT_EQ(0u, RtfStreamOutCallback(reinterpret_cast<DWORD_PTR>(file), block, 2, nullptr));
    CloseHandle(file);
    EXPECT_EQ("abcdefde", ReadBytes(path));

    // A handle that cannot write: -1 and nothing counted as written.
    HANDLE readOnly = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    transferred = -1;
    EXPECT_EQ(0xFFFFFFFFu,
              RtfStreamOutCallback(reinterpret_cast<DWORD_PTR>(readOnly), block, 3, &transferred));
    EXPECT_EQ(0, transferred);
    CloseHandle(readOnly);
    EXPECT_EQ("abcdefde", ReadBytes(path));

    EXPECT_EQ(0xFFFFFFFFu, RtfStreamOutCallback(0, block, 3, &transferred));
}

} // namespace
