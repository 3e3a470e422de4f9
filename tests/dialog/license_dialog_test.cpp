/*
 * The licence dialog in full, run modally from the program's template the
 * way the run sequence opens it. A thin wrapper around LicenseDialogProc
 * records each message and result, runs the test's script once the dialog
 * has initialized, and installs a dialog-box procedure that DefDlgProcW
 * calls, so the test sees which messages reached the default handling.
 * GlobalFree calls from this program are counted on the way to the real
 * function, to see the document's block released exactly once.
 */
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/resources/resource.h"
#include "dialog/custom_dialog.h"
#include "license/license_dialog.h"
#include "license/license_layout.h"
#include "license/license_text.h"
#include "tests/dialog/dialog_test_support.h"

MELVOX_IMPORT_SLOT(GlobalFree, 4);

namespace
{

const UINT kRunScript = WM_APP + 21;
const UINT_PTR kWatchdogTimer = 77;

struct LicenseRun {
    RtfSourceBuffer source = {};
    std::function<void(HWND)> script;
    std::vector<std::pair<UINT, LRESULT>> procLog;
    std::vector<UINT> defaultLog;        // reached DefDlgProcW
    std::vector<WPARAM> defaultCommands; // WM_COMMANDs that reached it
    bool scriptPosted = false;
    bool timedOut = false;
    INT_PTR result = 0;
};

LicenseRun* gRun = nullptr;
void* gRealGlobalFree = nullptr;
void* gWatchedBlock = nullptr;
int gWatchedBlockFrees = 0;

HGLOBAL WINAPI CountingGlobalFree(HGLOBAL block)
{
    if (block != nullptr && block == gWatchedBlock)
        ++gWatchedBlockFrees;
    return reinterpret_cast<HGLOBAL(WINAPI*)(HGLOBAL)>(gRealGlobalFree)(block);
}

INT_PTR CALLBACK DefaultHandlingSpy(HWND, UINT message, WPARAM wParam, LPARAM)
{
    gRun->defaultLog.push_back(message);
    if (message == WM_COMMAND)
        gRun->defaultCommands.push_back(wParam);
    return FALSE; // let the default handling go on
}

LRESULT CALLBACK WrappedLicenseProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunScript) {
        gWatchedBlock = gRun->source.data;
        gRun->script(dialog);
        return 0;
    }
    if (message == WM_TIMER && wParam == kWatchdogTimer) {
        gRun->timedOut = true;
        EndDialog(dialog, -2);
        return 0;
    }
    if (message == WM_APP && !gRun->scriptPosted) {
        // Installed only now: the dialog manager sets this slot itself while
        // it creates the dialog. From here on DefDlgProcW calls the spy
        // first with every message it is given.
        SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(DefaultHandlingSpy));
        SetTimer(dialog, kWatchdogTimer, 60000, nullptr);
    }
    LRESULT result = LicenseDialogProc(dialog, message, wParam, lParam);
    gRun->procLog.push_back(std::make_pair(message, result));
    if (message == WM_APP && !gRun->scriptPosted) {
        gRun->scriptPosted = true;
        PostMessageW(dialog, kRunScript, 0, 0);
    }
    return result;
}

class LicenseDialog : public testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureDialogTestSetUp();
        gWatchedBlock = nullptr;
        gWatchedBlockFrees = 0;
        patch_ = new ImportPatch(&__imp_GlobalFree, reinterpret_cast<void*>(CountingGlobalFree));
        gRealGlobalFree = patch_->original();
    }
    void TearDown() override
    {
        delete patch_;
    }
    void Run(LicenseRun& run)
    {
        gRun = &run;
        DialogCreationRecord record = {WrappedLicenseProc, &run.source};
        gPendingDialogCreation = &record;
        run.result = DialogBoxParamW(gInstance, L"ReportDlg", nullptr, nullptr, 0);
        gRun = nullptr;
        EXPECT_FALSE(run.timedOut) << "the script did not end the dialog";
    }
    ImportPatch* patch_ = nullptr;
};

int CountIn(const std::vector<std::pair<UINT, LRESULT>>& log, UINT message)
{
    int count = 0;
    for (const auto& entry : log)
        count += entry.first == message;
    return count;
}

RECT ControlRect(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// As the dialog manager places a template item: position and size are
// converted from dialog units each on its own.
RECT DialogUnits(HWND dialog, LONG x, LONG y, LONG cx, LONG cy)
{
    RECT units = {x, y, cx, cy};
    MapDialogRect(dialog, &units);
    RECT rect = {units.left, units.top, units.left + units.right, units.top + units.bottom};
    return rect;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

void ExpectControlAt(HWND dialog, int id, const RECT& expected)
{
    EXPECT_EQ(Describe(expected), Describe(ControlRect(dialog, id))) << "control " << id;
}

// Holds the dialog on screen for a screenshot when asked to.
void PauseForScreenshot()
{
    const char* ms = getenv("MELVOX_SCREENSHOT_PAUSE_MS");
    if (ms != nullptr)
        PumpMessages(static_cast<DWORD>(atoi(ms)));
}

TEST_F(LicenseDialog, InitializesOnceShowsTheLicenceAndDeclineFreesTheBlock)
{
    std::string resource = LicenseResourceBytes();
    std::wstring expectedText = RenderRtfAsPlainText(resource);
    LicenseRun run;
    run.script = [&](HWND dialog) {
        PauseForScreenshot();
        wchar_t caption[256] = {};
        GetWindowTextW(dialog, caption, 256);
        wchar_t string104[256] = {};
        LoadStringW(gInstance, IDS_DIALOG_CAPTION, string104, 256);
        EXPECT_STREQ(L"Melvox Repair Tool for Vista", string104);
        EXPECT_STREQ(string104, caption);
        EXPECT_TRUE(IsWindowVisible(dialog));

        // Centred across the work area, a third of the way down.
        RECT work, window;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(dialog, &window);
        POINT place =
            ComputeCenteredPosition(work, window.right - window.left, window.bottom - window.top);
        EXPECT_EQ(place.x, window.left);
        EXPECT_EQ(place.y, window.top);

        HWND text = GetDlgItem(dialog, IDC_LICENSE_TEXT);
        EXPECT_EQ(expectedText, RichEditPlainText(text)) << "the whole licence";
        CHARRANGE selection = {-5, -5};
        SendMessageW(text, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        EXPECT_EQ(0, selection.cpMin);
        EXPECT_EQ(0, selection.cpMax);
        CHARFORMATW format = {};
        format.cbSize = sizeof(format);
        SendMessageW(text, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        EXPECT_EQ(140, format.yHeight) << "7 points";
        EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & WS_VSCROLL) << "scroll bar shown";

        // The document stays in its block, read to the end, until the end.
        ASSERT_NE(nullptr, gRun->source.data);
        EXPECT_EQ(resource.size(), gRun->source.size);
        EXPECT_EQ(gRun->source.size, gRun->source.position);
        EXPECT_EQ(resource,
                  std::string(reinterpret_cast<char*>(gRun->source.data), gRun->source.size));

        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    };
    Run(run);

    EXPECT_EQ(2, run.result);
    EXPECT_EQ(1, gWatchedBlockFrees);
    EXPECT_EQ(nullptr, run.source.data);
    // The initialize message: once, answered 1, never default-handled;
    // everything else went through DefDlgProcW.
    ASSERT_EQ(1, CountIn(run.procLog, WM_APP));
    for (const auto& entry : run.procLog) {
        if (entry.first == WM_APP) {
            EXPECT_EQ(1, entry.second);
        }
    }
    for (UINT message : run.defaultLog)
        EXPECT_NE(static_cast<UINT>(WM_APP), message);
    std::vector<UINT> expectedDefault = {WM_SHOWWINDOW, WM_COMMAND};
    for (UINT message : expectedDefault) {
        bool reached = false;
        for (UINT seen : run.defaultLog)
            reached = reached || seen == message;
        EXPECT_TRUE(reached) << "message " << message << " reached DefDlgProcW";
    }
}

TEST_F(LicenseDialog, LayoutFollowsTheTemplateAndTheClientSize)
{
    LicenseRun run;
    run.script = [&](HWND dialog) {
        // Where the template puts the controls, in this dialog's pixels.
        RECT text = DialogUnits(dialog, 8, 8, 434, 250);
        RECT agree = DialogUnits(dialog, 338, 266, 50, 14);
        RECT decline = DialogUnits(dialog, 392, 266, 50, 14);
        RECT window, client;
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        LicenseLayoutMetrics m = gLayoutMetrics;
        EXPECT_TRUE(gLayoutReady);
        EXPECT_EQ(text.left, m.horizontalMargin);
        EXPECT_EQ(text.top, m.verticalMargin);
        EXPECT_EQ(agree.top - text.bottom, m.textToButtonGap);
        EXPECT_EQ(agree.right - agree.left, m.buttonWidth);
        EXPECT_EQ(agree.bottom - agree.top, m.buttonHeight);
        EXPECT_EQ(decline.left - agree.right, m.buttonSpacing);
        EXPECT_EQ(client.right - agree.left, m.minTrackWidth);
        // Measured at the creation place, row 0: the window's height.
        EXPECT_EQ(window.bottom - window.top - (text.bottom - text.top) + 200, m.minTrackHeight);

        MINMAXINFO info = {};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(m.minTrackWidth, info.ptMinTrackSize.x);
        EXPECT_EQ(m.minTrackHeight, info.ptMinTrackSize.y);

        // Larger (and moved to the screen's corner, so that it stays on
        // screen): the text fills the space above one row of buttons.
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 180,
                     window.bottom - window.top + 120, SWP_NOZORDER);
        GetClientRect(dialog, &client);
        LONG w = client.right, h = client.bottom;
        LONG hm = text.left, vm = text.top, bw = m.buttonWidth, bh = m.buttonHeight;
        RECT expectText = {hm, vm, w - hm, h - bh - m.textToButtonGap - vm};
        RECT expectSave = {hm, h - bh - vm, hm + bw, h - vm};
        RECT expectDecline = {w - hm - bw, h - bh - vm, w - hm, h - vm};
        RECT expectAgree = {w - hm - 2 * bw - m.buttonSpacing, h - bh - vm,
                            w - hm - bw - m.buttonSpacing, h - vm};
        ExpectControlAt(dialog, IDC_LICENSE_TEXT, expectText);
        ExpectControlAt(dialog, IDC_SAVE_LICENSE, expectSave);
        ExpectControlAt(dialog, IDCANCEL, expectDecline);
        ExpectControlAt(dialog, IDOK, expectAgree);
        PauseForScreenshot();

        // A minimized size type is laid out like any other.
        SendMessageW(dialog, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(500, 400));
        RECT expectSmall = {500 - hm - bw, 400 - bh - vm, 500 - hm, 400 - vm};
        ExpectControlAt(dialog, IDCANCEL, expectSmall);

        // The window cannot be made smaller than the minimum tracking size.
        SetWindowPos(dialog, nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(dialog, &window);
        EXPECT_EQ(m.minTrackWidth, window.right - window.left);
        EXPECT_EQ(m.minTrackHeight, window.bottom - window.top);

        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    Run(run);
    EXPECT_EQ(1, run.result);
}

TEST_F(LicenseDialog, AgreeDeclineEscapeAndCloseBoxEndItAndFreeTheBlockOnce)
{
    struct Case {
        const char* what;
        std::function<void(HWND)> end;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Agree", [](HWND d) { SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, 1},
        {"Decline", [](HWND d) { SendMessageW(d, WM_COMMAND, IDCANCEL, 0); }, 2},
        {"Agree with another notification code",
         [](HWND d) { SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0); }, 1},
        {"Escape", [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }, 2},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
        {"Agree twice before the dialog is gone",
         [](HWND d) {
             SendMessageW(d, WM_COMMAND, IDOK, 0);
             SendMessageW(d, WM_COMMAND, IDOK, 0);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gWatchedBlockFrees = 0;
        LicenseRun run;
        run.script = c.end;
        Run(run);
        EXPECT_EQ(c.result, run.result);
        EXPECT_EQ(1, gWatchedBlockFrees);
        EXPECT_EQ(nullptr, run.source.data);
    }
}

TEST_F(LicenseDialog, CommandWithLowWordMinusOneOrZeroOnlyGetsDefaultHandling)
{
    LicenseRun run;
    bool stillOpen = false;
    run.script = [&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0xFFFF, BN_CLICKED), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0);
        PumpMessages(200);
        stillOpen = IsWindowVisible(dialog) && gRun->source.data != nullptr;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Run(run);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(1, gWatchedBlockFrees);
    bool minusOneReachedDefault = false;
    for (WPARAM wParam : run.defaultCommands)
        minusOneReachedDefault = minusOneReachedDefault || LOWORD(wParam) == 0xFFFF;
    EXPECT_TRUE(minusOneReachedDefault);
}

TEST_F(LicenseDialog, SaveWritesTheLicenceAndFailuresLeaveTheDialogAsItWas)
{
    std::wstring folder = MakeTempFolder(L"dialog-save");
    std::wstring path = folder + L"\\kept";
    std::wstring saved = path + L".rtf";
    const std::wstring proposed = L"Melvox Repair Tool for Vista Software license.rtf";
    SaveAsSeen first, second, failed, cancelled;
    std::string firstBytes, secondBytes;
    std::wstring shownText, textAfter;
    bool openAfterFailures = false;

    LicenseRun run;
    run.script = [&](HWND dialog) {
        HWND text = GetDlgItem(dialog, IDC_LICENSE_TEXT);
        shownText = RichEditPlainText(text);
        auto press = [&](const SaveAsAction& action, SaveAsSeen* seen) {
            std::thread driver = DriveSaveAs(dialog, action, seen);
            SendMessageW(dialog, WM_COMMAND, IDC_SAVE_LICENSE, 0);
            driver.join();
        };
        press(SaveAsAction{true, path, false}, &first);
        firstBytes = ReadBytes(saved);
        press(SaveAsAction{true, saved, true}, &second);
        secondBytes = ReadBytes(saved);
        press(SaveAsAction{true, folder + L"\\missing\\x.rtf", false}, &failed);
        press(SaveAsAction{false, L"", false}, &cancelled);
        textAfter = RichEditPlainText(text);
        openAfterFailures = IsWindowVisible(dialog) && IsWindowEnabled(dialog);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    Run(run);

    ASSERT_TRUE(first.found);
    EXPECT_EQ(L"Save license as:", first.title);
    EXPECT_EQ(proposed, first.nameField);
    EXPECT_EQ(L"Rich Text files(*.rtf)", first.firstFilter);
    ASSERT_GT(firstBytes.size(), 5u);
    EXPECT_EQ("{\\rtf", firstBytes.substr(0, 5));
    EXPECT_EQ(shownText, RenderRtfAsPlainText(firstBytes));

    // The default name again, then the replace prompt, then the same file.
    EXPECT_EQ(proposed, second.nameField);
    EXPECT_TRUE(second.replacePromptAnswered);
    EXPECT_EQ(firstBytes, secondBytes);

    EXPECT_TRUE(failed.closed);
    EXPECT_FALSE(Exists(folder + L"\\missing\\x.rtf"));
    EXPECT_TRUE(cancelled.closed);
    EXPECT_TRUE(openAfterFailures);
    EXPECT_EQ(shownText, textAfter);
    EXPECT_EQ(1, run.result);
}

} // namespace
