/*
 * Library loading from the system folder only. SetDefaultDllDirectories and
 * the LOAD_LIBRARY_SEARCH_* flags came with an update to Vista and 7: both
 * are looked up at run time, and where they are missing the library is
 * loaded by its full path in the system folder instead.
 */
#include "app/system_library.h"

#include <string.h>

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);

static SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == NULL)
        return NULL;
    return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

bool RestrictLibrarySearch()
{
    SetDefaultDllDirectoriesFunction setDirectories = FindSetDefaultDllDirectories();
    return setDirectories != NULL && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemLibraryByPath(const char* name)
{
    char path[MAX_PATH];
    UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = strlen(name);
    // A result of MAX_PATH or more is the size needed, not a path.
    if (folderLength == 0 || folderLength >= MAX_PATH || folderLength + 1 + nameLength >= MAX_PATH)
        return NULL;
    path[folderLength] = '\\';
    memcpy(path + folderLength + 1, name, nameLength + 1);
    // The library's own imports are then searched for beside it first,
    // that is in the system folder too.
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadSystemLibrary(const char* name)
{
    // The flag is understood exactly where SetDefaultDllDirectories exists.
    if (FindSetDefaultDllDirectories() != NULL)
        return LoadLibraryExA(name, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadSystemLibraryByPath(name);
}

bool LoadSystemLibraries(const char* names)
{
    for (const char* name = names; *name != '\0'; name += strlen(name) + 1) {
        if (LoadSystemLibrary(name) == NULL)
            return false;
    }
    return true;
}
