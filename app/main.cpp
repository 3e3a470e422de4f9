/*
 * Entry point. Hardens the process (libraries from the system folder only,
 * termination on heap corruption, redirection trust), registers the dialog
 * class, runs the whole visible sequence, then drains the message queue up
 * to the WM_QUIT that the sequence posted; its code, 0, is the exit code.
 * The program takes no command line.
 */
#include <windows.h>

#include "app/resources/resource.h"
#include "app/run_sequence.h"
#include "app/system_library.h"
#include "dialog/custom_dialog.h"
#include "repair/redirection_trust.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything can load a library: the program runs elevated from a
    // folder that may hold planted files, so libraries come from the system
    // folder only. Then a damaged heap ends the process at once instead of
    // running on with memory an attacker may have shaped.
    RestrictLibrarySearch();
    HeapSetInformation(NULL, HeapEnableTerminationOnCorruption, NULL, 0);

    // The program runs elevated and works inside a folder that everyone may
    // write to: where the system offers it, stop it from following links
    // that an ordinary user planted. Harmless where it is missing.
    EnableRedirectionTrust();
    RegisterCustomDialogClass(instance);
    RunStartupSequence(instance);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    // The sequence has posted WM_QUIT with 0 by now. GetMessageA's -1 (an
    // error) also ends the loop, with the zeroed message's code.
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
