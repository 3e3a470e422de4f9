/*
 * End-to-end: the built program as its own process, worked the way a user
 * works it, with the data folder on the test prefix's real disk. Each case
 * is one run of the program: the driver waits for the licence dialog,
 * checks what it shows, presses what the case says, and afterwards checks
 * the exit code, the windows that appeared and the disk.
 */
#include "driver.h"

#include "tests/support/files.h"
#include "tests/support/rtf_text.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const wchar_t kCaption[] = L"Melvox Repair Tool for Vista";
const wchar_t kPrompt[] = L"This tool for Windows Vista will repair permissions for important "
                          L"files required by Melvox to play your Melvox Store purchases. Click "
                          L"OK to continue.";
const wchar_t kDialogClass[] = L"MelvoxRepairToolforVistaCustomModalDialog";
const wchar_t kLicenseWindow[] =
    L"MelvoxRepairToolforVistaCustomModalDialog|Melvox Repair Tool for Vista";
const wchar_t kConfirmWindow[] = L"#32770|Melvox Repair Tool for Vista";
const wchar_t kSaveWindow[] = L"#32770|Save license as:";
const int kSaveButton = 108;
const int kTextControl = 106;
const int kFileNameField = 0x47C; // the Save As dialog's file name box

std::wstring ProgramPath()
{
    const char* path = std::getenv("MELVOX_PROGRAM");
    return path ? WindowsPathFromUnix(path) : std::wstring();
}

std::wstring ShotPath(const wchar_t* name)
{
    const char* folder = std::getenv("MELVOX_SHOTS");
    if (folder == nullptr)
        return std::wstring();
    std::wstring dir = WindowsPathFromUnix(folder);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\" + name;
}

// ---- the data folder on disk ----------------------------------------------

std::wstring VendorFolder()
{
    return CommonAppDataFolder() + L"\\Varto Computer";
}
std::wstring ParentFolder()
{
    return VendorFolder() + L"\\Melvox";
}
std::wstring DataFolder()
{
    return ParentFolder() + L"\\Zelnar";
}

const wchar_t* const kDataFiles[] = {L"Zelnar.qmxb", L"Zelnar.qmxd"};

// Narrows an object's access list to its owner alone, so that the repair
// has something to repair.
void NarrowToOwner(const std::wstring& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    SetNamedSecurityInfoW(const_cast<LPWSTR>(path.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, dacl, nullptr);
    LocalFree(descriptor);
}

void RemoveTree()
{
    for (const wchar_t* name : kDataFiles) {
        DeleteFileW((DataFolder() + L"\\" + name).c_str());
        DeleteFileW((ParentFolder() + L"\\" + name).c_str());
    }
    RemoveDirectoryW(DataFolder().c_str());
    RemoveDirectoryW(ParentFolder().c_str());
    RemoveDirectoryW(VendorFolder().c_str());
}

// What a run may change on disk, in one comparable string.
std::wstring DiskState()
{
    std::wstring state = L"folder:" + AccessText(DataFolder()) + L" " +
                         std::to_wstring(GetFileAttributesW(DataFolder().c_str())) + L"\n";
    for (const wchar_t* name : kDataFiles) {
        for (const std::wstring& folder : {DataFolder(), ParentFolder()}) {
            std::wstring path = folder + L"\\" + name;
            std::string bytes = ReadBytes(path);
            state += path + L"=" + std::wstring(bytes.begin(), bytes.end()) + L" " +
                     AccessText(path) + L"\n";
        }
    }
    return state;
}

// ---- what the licence dialog shows -----------------------------------------

// The licence document as a rich edit control renders it, from the program
// file's own resource.
std::wstring ExpectedLicenseText()
{
    HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr)
        return std::wstring();
    HRSRC info = FindResourceA(program, MAKEINTRESOURCEA(129), "RTF_TEXT");
    std::wstring text;
    if (info != nullptr) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, info)));
        text = RenderRtfAsPlainText(std::string(bytes, SizeofResource(program, info)));
    }
    FreeLibrary(program);
    return text;
}

RECT ChildRect(HWND dialog, int id)
{
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsGone(HWND window)
{
    return !IsWindow(window) || !IsWindowVisible(window);
}

// The window that just appeared is given a moment to paint itself first.
void SaveSettledScreenshot(const wchar_t* name)
{
    Sleep(500);
    SaveScreenshot(ShotPath(name));
}

// ---- the cases ---------------------------------------------------------------

struct Session {
    ProgramRun run;
    HWND dialog;
};

void Press(HWND window, int id)
{
    // Posted: a sent click on a button that opens a modal window would not
    // return until that window closes.
    PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

void PressEscape(HWND window)
{
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void CloseBox(HWND window)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

HWND FocusOf(const Session& s)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(s.run.process.dwThreadId, &info);
    return info.hwndFocus;
}

// A message box keeps its icon control either way; without an icon style
// that control holds no icon.
int IconsShownIn(HWND box)
{
    int icons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiW(ClassOf(child).c_str(), L"Static") == 0 &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0)
            ++icons;
    }
    return icons;
}

enum class BoxAnswer { None, Ok, Cancel, Escape, Close };

// Agree, then answer the confirmation box, after checking what it shows.
void AgreeAndAnswer(Session& s, BoxAnswer answer)
{
    Press(s.dialog, IDOK);
    HWND box = WaitForWindow(s.run, L"#32770", kCaption);
    ASSERT_NE(box, nullptr) << "no confirmation box after Agree";
    SaveSettledScreenshot(L"confirmation-box.bmp");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_TRUE(IsGone(s.dialog)) << "the licence dialog is still open under the box";
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), kPrompt);
    EXPECT_EQ(WindowText(GetDlgItem(box, IDOK)), L"OK");
    EXPECT_EQ(WindowText(GetDlgItem(box, IDCANCEL)), L"Cancel");
    EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
    EXPECT_EQ(IconsShownIn(box), 0);
    switch (answer) {
    case BoxAnswer::Ok:
        Press(box, IDOK);
        break;
    case BoxAnswer::Cancel:
        Press(box, IDCANCEL);
        break;
    case BoxAnswer::Escape:
        PressEscape(GetDlgItem(box, IDOK));
        break;
    case BoxAnswer::Close:
        CloseBox(box);
        break;
    case BoxAnswer::None:
        break;
    }
}

// Returns once the program's thread has finished the message it was
// handling: a sent message is taken only when the thread looks at its queue
// again.
void SyncWith(HWND window)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

HWND OpenSaveAs(Session& s)
{
    Press(s.dialog, kSaveButton);
    HWND saveAs = WaitForOwnedWindow(s.run, s.dialog, L"#32770");
    EXPECT_NE(saveAs, nullptr) << "no Save As dialog";
    if (saveAs == nullptr)
        return nullptr;
    EXPECT_EQ(WindowText(saveAs), L"Save license as:");
    EXPECT_TRUE(ModuleLoaded(s.run, L"comdlg32.dll")) << "Save As shown without comdlg32";
    EXPECT_EQ(WindowText(GetDlgItem(saveAs, kFileNameField)),
              L"Melvox Repair Tool for Vista Software license.rtf");
    return saveAs;
}

const wchar_t kSaveFolder[] = L"C:\\melvox-e2e";

// Opens Save As from the licence dialog and types a name into it; the
// target file is cleared first.
HWND OpenSaveAsAndType(Session& s, const std::wstring& target, const std::wstring& typed)
{
    CreateDirectoryW(kSaveFolder, nullptr);
    DeleteFileW(target.c_str());
    HWND saveAs = OpenSaveAs(s);
    if (saveAs != nullptr)
        SendMessageW(GetDlgItem(saveAs, kFileNameField), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(typed.c_str()));
    return saveAs;
}

void SaveThenDecline(Session& s)
{
    std::wstring target = std::wstring(kSaveFolder) + L"\\agreement.rtf";
    // Typed without the extension: the dialog adds "rtf".
    HWND saveAs = OpenSaveAsAndType(s, target, std::wstring(kSaveFolder) + L"\\agreement");
    ASSERT_NE(saveAs, nullptr);
    Press(saveAs, IDOK);
    ASSERT_TRUE(WaitUntil(IsGone, saveAs)) << "Save As did not close";
    // The file is written after the Save As dialog has gone: wait until it
    // is there, then until the program is back in its message loop.
    for (int i = 0; i < 500 && !Exists(target); ++i)
        Sleep(20);
    SyncWith(s.dialog);
    EXPECT_TRUE(IsWindowVisible(s.dialog)) << "the licence dialog closed after saving";

    std::string saved = ReadBytes(target);
    EXPECT_EQ(saved.compare(0, 6, "{\\rtf1"), 0) << "not RTF: " << saved.substr(0, 40);
    EXPECT_TRUE(RenderRtfAsPlainText(saved) == WindowText(GetDlgItem(s.dialog, kTextControl)))
        << "the saved file does not hold the agreement shown";
    DeleteFileW(target.c_str());
    Press(s.dialog, IDCANCEL);
}

void SaveCancelThenDecline(Session& s)
{
    std::wstring target = std::wstring(kSaveFolder) + L"\\cancelled.rtf";
    HWND saveAs = OpenSaveAsAndType(s, target, target);
    ASSERT_NE(saveAs, nullptr);
    Press(saveAs, IDCANCEL);
    ASSERT_TRUE(WaitUntil(IsGone, saveAs)) << "Save As did not close";
    SyncWith(s.dialog);
    EXPECT_TRUE(IsWindowVisible(s.dialog));
    EXPECT_FALSE(Exists(target)) << "Cancel wrote a file";
    Press(s.dialog, IDCANCEL);
}

void ResizeThenDecline(Session& s)
{
    HWND d = s.dialog;
    RECT window0, client0;
    GetWindowRect(d, &window0);
    GetClientRect(d, &client0);
    RECT text0 = ChildRect(d, kTextControl);
    RECT agree0 = ChildRect(d, IDOK);
    const int margin = text0.left;
    const int top = text0.top;

    // Larger: the text control fills the width, the buttons keep to the
    // bottom corners.
    SetWindowPos(d, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(d, &client);
    RECT text = ChildRect(d, kTextControl);
    RECT agree = ChildRect(d, IDOK);
    RECT decline = ChildRect(d, IDCANCEL);
    RECT save = ChildRect(d, kSaveButton);
    EXPECT_EQ(text.left, margin);
    EXPECT_EQ(text.top, top);
    EXPECT_EQ(text.right, client.right - margin);
    EXPECT_EQ(decline.right, client.right - margin);
    EXPECT_EQ(decline.bottom, client.bottom - top);
    EXPECT_EQ(agree.bottom, decline.bottom);
    EXPECT_EQ(save.bottom, decline.bottom);
    EXPECT_EQ(save.left, margin);
    EXPECT_LT(agree.right, decline.left);
    EXPECT_LT(text.bottom, decline.top);
    EXPECT_EQ(agree.right - agree.left, agree0.right - agree0.left);

    // Far too small: the window stops at its minimum tracking size.
    SetWindowPos(d, nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT small;
    GetWindowRect(d, &small);
    EXPECT_EQ(small.right - small.left, client0.right - agree0.left);
    EXPECT_EQ(small.bottom - small.top,
              (window0.bottom - window0.top) - (text0.bottom - text0.top) + 200);
    Press(d, IDCANCEL);
}

struct RunCase {
    const char* name;
    void (*drive)(Session&);
    bool boxShown;
    bool repaired;
    bool saveShown;
};

void PrintTo(const RunCase& c, std::ostream* out)
{
    *out << c.name;
}

const RunCase kCases[] = {
    {"Decline", [](Session& s) { Press(s.dialog, IDCANCEL); }, false, false, false},
    {"EscapeKey", [](Session& s) { PressEscape(FocusOf(s)); }, false, false, false},
    {"CloseBox", [](Session& s) { CloseBox(s.dialog); }, false, false, false},
    {"AgreeThenCancel", [](Session& s) { AgreeAndAnswer(s, BoxAnswer::Cancel); }, true, false,
     false},
    {"AgreeThenEscape", [](Session& s) { AgreeAndAnswer(s, BoxAnswer::Escape); }, true, false,
     false},
    {"AgreeThenCloseBox", [](Session& s) { AgreeAndAnswer(s, BoxAnswer::Close); }, true, false,
     false},
    {"AgreeThenOk", [](Session& s) { AgreeAndAnswer(s, BoxAnswer::Ok); }, true, true, false},
    {"SaveThenDecline", SaveThenDecline, false, false, true},
    {"SaveCancelThenDecline", SaveCancelThenDecline, false, false, true},
    {"ResizeThenDecline", ResizeThenDecline, false, false, false},
};

// Wine's load order for one library in one program file name's processes
// (the program's per-program settings): "" loads none, "native,builtin"
// prefers a library beside the program over Wine's own, as Windows does for
// a name it does not always take from the system folder. A null library
// removes the program's settings. (WINEDLLOVERRIDES in the environment
// block of a process started from here was seen to be ignored: the process
// kept the driver's own value.)
bool SetLoadOrder(const std::wstring& programName, const wchar_t* library, const wchar_t* order)
{
    std::wstring key = L"Software\\Wine\\AppDefaults\\" + programName;
    if (library == nullptr)
        return RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()) == ERROR_SUCCESS;
    return RegSetKeyValueW(HKEY_CURRENT_USER, (key + L"\\DllOverrides").c_str(), library, REG_SZ,
                           order, DWORD((lstrlenW(order) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ProgramFileName()
{
    std::wstring program = ProgramPath();
    return program.substr(program.find_last_of(L'\\') + 1);
}

// Each run starts from the same data folder on the prefix's disk: two data
// files and their folder narrowed to their owner, the folder marked.
class DataFolderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(ProgramPath().empty()) << "MELVOX_PROGRAM is not set";
        ASSERT_FALSE(CommonAppDataFolder().empty());
        RemoveTree();
        CreateDirectoryW(VendorFolder().c_str(), nullptr);
        CreateDirectoryW(ParentFolder().c_str(), nullptr);
        CreateDirectoryW(DataFolder().c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(DataFolder() + L"\\Zelnar.qmxb", "licence store B"));
        ASSERT_TRUE(WriteBytes(DataFolder() + L"\\Zelnar.qmxd", "licence store D"));
        NarrowToOwner(DataFolder() + L"\\Zelnar.qmxb");
        NarrowToOwner(DataFolder() + L"\\Zelnar.qmxd");
        NarrowToOwner(DataFolder());
        // The old folder carries a mark that a folder made anew lacks. Wine
        // keeps the hidden attribute (in an extended attribute) but derives
        // creation times from the unix times, which copying files into a
        // folder changes, so the attribute is the reliable witness.
        ASSERT_TRUE(SetFileAttributesW(DataFolder().c_str(), FILE_ATTRIBUTE_HIDDEN));
        for (const wchar_t* name : kDataFiles)
            ASSERT_FALSE(EveryoneHasFullAccess(DataFolder() + L"\\" + name));
        ASSERT_FALSE(EveryoneHasFullAccess(DataFolder()));
    }
    void TearDown() override
    {
        RemoveTree();
    }
};

class ProgramRunTest : public DataFolderTest, public ::testing::WithParamInterface<RunCase>
{
};

// Runs the program file given through one case and checks the outcome.
void RunThroughCase(const RunCase& c, const std::wstring& program)
{
    const std::wstring before = DiskState();

    Session s = {};
    ASSERT_TRUE(StartProgram(s.run, program));
    s.dialog = WaitForWindow(s.run, kDialogClass, kCaption);
    if (s.dialog == nullptr) {
        WaitForExit(s.run, 1000);
        FAIL() << "the licence dialog did not appear";
    }

    // As first shown: the licence text whole, the scroll bar, the focus and
    // the default mark on Agree.
    HWND text = GetDlgItem(s.dialog, kTextControl);
    const std::wstring shown = WindowText(text);
    EXPECT_GT(shown.size(), 1000u);
    EXPECT_TRUE(shown == ExpectedLicenseText()) << "the control does not hold the licence whole";
    EXPECT_NE(GetWindowLongW(text, GWL_STYLE) & WS_VSCROLL, 0);
    EXPECT_EQ(FocusOf(s), GetDlgItem(s.dialog, IDOK));
    LRESULT defId = SendMessageW(s.dialog, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defId), IDOK);
    // Only Save... needs the common dialogs: not loaded while the user reads.
    EXPECT_TRUE(ModuleLoaded(s.run, L"user32.dll")) << "the module list cannot be read";
    EXPECT_FALSE(ModuleLoaded(s.run, L"comdlg32.dll")) << "comdlg32 loaded before Save...";
    if (std::string(c.name) == "Decline")
        SaveSettledScreenshot(L"license-dialog.bmp");

    c.drive(s);

    EXPECT_EQ(WaitForExit(s.run), 0u);
    EXPECT_EQ(s.run.windowsSeen.count(kLicenseWindow), 1u);
    EXPECT_EQ(s.run.windowsSeen.count(kConfirmWindow), c.boxShown ? 1u : 0u);
    EXPECT_EQ(s.run.windowsSeen.count(kSaveWindow), c.saveShown ? 1u : 0u);

    if (!c.repaired) {
        EXPECT_EQ(DiskState(), before);
        return;
    }
    // Repaired: both files back in the data folder with their bytes, none
    // left in the parent, Everyone granted on each and on the folder, and the
    // folder made anew.
    EXPECT_EQ(ReadBytes(DataFolder() + L"\\Zelnar.qmxb"), "licence store B");
    EXPECT_EQ(ReadBytes(DataFolder() + L"\\Zelnar.qmxd"), "licence store D");
    for (const wchar_t* name : kDataFiles) {
        EXPECT_EQ(ReadBytes(ParentFolder() + L"\\" + name), "<missing>");
        EXPECT_TRUE(EveryoneHasFullAccess(DataFolder() + L"\\" + name)) << name;
    }
    EXPECT_TRUE(EveryoneHasFullAccess(DataFolder()));
    EXPECT_EQ(GetFileAttributesW(DataFolder().c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY))
        << "the data folder was not made anew";
}

TEST_P(ProgramRunTest, RunsAsTheUserWorksIt)
{
    RunThroughCase(GetParam(), ProgramPath());
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramRunTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                             return std::string(info.param.name);
                         });

// The program signed (by scripts/sign, with a throwaway certificate) still
// runs the whole way: Agree, OK, the repair.
class SignedProgramRunTest : public DataFolderTest
{
};

TEST_F(SignedProgramRunTest, AgreeThenOkRepairs)
{
    const char* signedProgram = std::getenv("MELVOX_SIGNED_PROGRAM");
    ASSERT_NE(signedProgram, nullptr) << "MELVOX_SIGNED_PROGRAM is not set";
    for (const RunCase& c : kCases) {
        if (std::string(c.name) == "AgreeThenOk")
            RunThroughCase(c, WindowsPathFromUnix(signedProgram));
    }
}

TEST(ProgramRun, WithoutTheRichEditLibraryShowsNothingAndEndsWithZero)
{
    // Wine loads no rich edit library for this program while its per-program
    // override says so: the template's text control then cannot be created,
    // and neither can the dialog.
    ASSERT_TRUE(SetLoadOrder(ProgramFileName(), L"riched20", L""));
    Session s = {};
    bool started = StartProgram(s.run, ProgramPath());
    DWORD exitCode = started ? WaitForExit(s.run) : STILL_ACTIVE;
    SetLoadOrder(ProgramFileName(), nullptr, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(s.run.windowsSeen.empty());
}

// A library that Save... or the repair loads on first use and that cannot
// be loaded (Wine told to load none for this program) makes that operation
// do nothing, as after a failed call: no Save As dialog and no file, or no
// change on disk; the program runs on and ends with 0.
struct MissingLibraryCase {
    const wchar_t* library;
    RunCase run;
};

void PrintTo(const MissingLibraryCase& c, std::ostream* out)
{
    *out << c.run.name;
}

void SaveFindsNoDialogThenDecline(Session& s)
{
    Press(s.dialog, kSaveButton);
    SyncWith(s.dialog);
    EXPECT_EQ(WaitForOwnedWindow(s.run, s.dialog, L"#32770", 1000), nullptr);
    EXPECT_TRUE(IsWindowVisible(s.dialog)) << "the licence dialog closed";
    Press(s.dialog, IDCANCEL);
}

const MissingLibraryCase kMissingLibraryCases[] = {
    {L"comdlg32", {"SaveWithoutComdlg32", SaveFindsNoDialogThenDecline, false, false, false}},
    {L"shell32",
     {"RepairWithoutShell32", [](Session& s) { AgreeAndAnswer(s, BoxAnswer::Ok); }, true, false,
      false}},
};

class MissingLibraryTest : public DataFolderTest,
                           public ::testing::WithParamInterface<MissingLibraryCase>
{
};

TEST_P(MissingLibraryTest, ItsOperationDoesNothing)
{
    ASSERT_TRUE(SetLoadOrder(ProgramFileName(), GetParam().library, L""));
    RunThroughCase(GetParam().run, ProgramPath());
    SetLoadOrder(ProgramFileName(), nullptr, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, MissingLibraryTest, ::testing::ValuesIn(kMissingLibraryCases),
                         [](const ::testing::TestParamInfo<MissingLibraryCase>& info) {
                             return std::string(info.param.run.name);
                         });

// The program starts elevated, usually from a downloads folder: a library
// planted there under the rich edit library's name must never be loaded.
TEST(ProgramRun, LibraryPlantedBesideItIsNeverLoaded)
{
    const char* planted = std::getenv("MELVOX_PLANTED_LIBRARY");
    const char* bareLoad = std::getenv("MELVOX_BARE_LOAD");
    ASSERT_TRUE(planted != nullptr && bareLoad != nullptr) << "test programs not named";
    std::wstring library = WindowsPathFromUnix(planted);
    std::wstring folder = library.substr(0, library.find_last_of(L'\\')) + L"\\downloads";
    const wchar_t kProgramName[] = L"Melvox Repair Tool for Vista.exe";
    const wchar_t kControlName[] = L"bare_load.exe";
    std::wstring mark = folder + L"\\planted-library-ran";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(library.c_str(), (folder + L"\\RichEd20.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), (folder + L"\\" + kProgramName).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(WindowsPathFromUnix(bareLoad).c_str(),
                          (folder + L"\\" + kControlName).c_str(), FALSE));
    ASSERT_TRUE(SetLoadOrder(kProgramName, L"riched20", L"native,builtin"));
    ASSERT_TRUE(SetLoadOrder(kControlName, L"riched20", L"native,builtin"));

    // The control: loading the name the unsafe way from this folder runs
    // the planted library and leaves the mark.
    DeleteFileW(mark.c_str());
    ProgramRun control = {};
    bool controlStarted = StartProgram(control, folder + L"\\" + kControlName);
    DWORD controlExit = controlStarted ? WaitForExit(control) : STILL_ACTIVE;
    bool controlMarked = Exists(mark);
    DeleteFileW(mark.c_str());

    Session s = {};
    bool started = StartProgram(s.run, folder + L"\\" + kProgramName);
    s.dialog = started ? WaitForWindow(s.run, kDialogClass, kCaption) : nullptr;
    bool textShown = s.dialog != nullptr &&
                     WindowText(GetDlgItem(s.dialog, kTextControl)) == ExpectedLicenseText();
    if (s.dialog != nullptr)
        Press(s.dialog, IDCANCEL);
    DWORD exitCode = started ? WaitForExit(s.run) : STILL_ACTIVE;

    SetLoadOrder(kProgramName, nullptr, nullptr);
    SetLoadOrder(kControlName, nullptr, nullptr);
    EXPECT_EQ(controlExit, 0u);
    ASSERT_TRUE(controlMarked) << "the setup plants nothing that a bare-name load would take";
    ASSERT_TRUE(started);
    EXPECT_NE(s.dialog, nullptr) << "the licence dialog did not appear";
    EXPECT_TRUE(textShown) << "the licence dialog does not show the licence";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(Exists(mark)) << "the planted library ran inside the program";
    DeleteFileW(mark.c_str());
}

} // namespace
