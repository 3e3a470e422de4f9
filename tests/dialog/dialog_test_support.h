/*
 * Shared fixtures for the dialog tests: one-time set-up of the module
 * (instance handle, rich edit library, dialog class), the licence resource
 * and its text as a rich edit control renders it, temporary folders,
 * message pumping, finding the Save As dialog, and a way to watch a Win32
 * import of this program while still calling the real function.
 */
#ifndef MELVOX_DIALOG_TEST_SUPPORT_H
#define MELVOX_DIALOG_TEST_SUPPORT_H

#include <windows.h>

#include "tests/support/files.h"
#include "tests/support/rtf_text.h"

#include <functional>
#include <string>
#include <thread>

/* gInstance = this program, RichEd20.dll loaded, class registered. */
void EnsureDialogTestSetUp();

/* The bytes of "RTF_TEXT" 129 exactly as the resource holds them. */
std::string LicenseResourceBytes();

/* A new empty folder under the temporary folder, with a trailing name. */
std::wstring MakeTempFolder(const wchar_t* tag);

/* Dispatches this thread's messages for about ms milliseconds. */
void PumpMessages(DWORD ms);
/* Dispatches until done() holds or ms pass; returns done(). */
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

/* A visible "#32770" window owned by owner, waited for up to ms. */
HWND WaitForOwnedDialog(HWND owner, DWORD ms);
/* Waits until window is gone (up to ms). */
bool WaitForWindowGone(HWND window, DWORD ms);

/* Drives the system's Save As dialog from another thread while this one
   runs it: waits for the dialog owned by owner, notes what it shows, then
   cancels it or types a path and saves (answering Yes to a replace prompt). */
struct SaveAsAction {
    bool save;              /* false: cancel */
    std::wstring typedPath; /* typed into the name field before saving */
    bool expectReplacePrompt;
};
struct SaveAsSeen {
    bool found = false;
    std::wstring title;
    std::wstring nameField;
    int filterCount = -1;
    std::wstring firstFilter;
    bool replacePromptAnswered = false;
    bool closed = false;
};
std::thread DriveSaveAs(HWND owner, const SaveAsAction& action, SaveAsSeen* seen);

/* Declares the import address table slot of a system function as
   __imp_NAME. The linker names it so on x86_64; on i686 its name carries the
   stdcall decoration, __imp__NAME@BYTES, BYTES being the size of the
   arguments. */
#ifdef _WIN64
#define MELVOX_IMPORT_SLOT(name, bytes) extern "C" void* __imp_##name
#else
#define MELVOX_IMPORT_SLOT(name, bytes) \
    extern "C" void* __imp_##name __asm__("__imp__" #name "@" #bytes)
#endif

/* Replaces one entry of this program's import address table for the
   object's lifetime. The stand-in records and then calls the original. */
class ImportPatch
{
  public:
    ImportPatch(void** slot, void* replacement);
    ~ImportPatch();
    void* original() const
    {
        return original_;
    }

  private:
    void** slot_;
    void* original_;
};

#endif
