/*
 * The delay-load helper for the libraries that only Save... and the repair
 * need, which the program loads on their first use (app/delay_load/). The
 * thunks that dlltool makes call __delayLoadHelper2 with the library's
 * delay-import descriptor and the import's slot; this one loads the library
 * from the system folder only (see system_library.h), binds the function,
 * fills the slot so that later calls go straight there, and returns it.
 *
 * The program's own, in place of the toolchain's: that one falls back to a
 * load by bare name when its hook declines, and with its unload and
 * load-everything support and its unwind tables it alone would take the
 * 32-bit file 3 KiB past its size bound.
 *
 * Each operation that needs these libraries loads them itself first
 * (LoadSystemLibraries) and does nothing when one is missing, as after a
 * failed call. So an import that cannot be bound here is a fault of the
 * program, not of the machine: the program then ends the way every path
 * ends, with code 0, rather than jump to nothing. (A stand-in function
 * cannot be returned instead: in the 32-bit program each stand-in would
 * have to remove exactly the arguments of the function it replaces.)
 */
#include <windows.h>

#include <delayimp.h>

#include "app/system_library.h"

// The program's own image; dlltool writes the descriptor's fields as
// addresses relative to it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot)
{
    BYTE* image = reinterpret_cast<BYTE*>(&__ImageBase);
    HMODULE* library = reinterpret_cast<HMODULE*>(image + descriptor->rvaHmod);
    if (*library == NULL)
        *library = LoadSystemLibrary(reinterpret_cast<const char*>(image + descriptor->rvaDLLName));

    // The import's name sits at the same index in the name table as its
    // slot in the address table.
    FARPROC* slots = reinterpret_cast<FARPROC*>(image + descriptor->rvaIAT);
    const IMAGE_THUNK_DATA* names =
        reinterpret_cast<const IMAGE_THUNK_DATA*>(image + descriptor->rvaINT);
    const IMAGE_THUNK_DATA& name = names[slot - slots];
    const char* function;
    if (IMAGE_SNAP_BY_ORDINAL(name.u1.Ordinal))
        function = MAKEINTRESOURCEA(IMAGE_ORDINAL(name.u1.Ordinal));
    else
        function =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(image + name.u1.AddressOfData)->Name;

    FARPROC bound = *library != NULL ? GetProcAddress(*library, function) : NULL;
    if (bound == NULL)
        ExitProcess(0);
    *slot = bound;
    return bound;
}
