/*
 * Where the program takes its libraries from. It runs elevated, usually
 * from a downloads folder that holds whatever else was downloaded, so no
 * library may come from the program's own folder, the current directory or
 * the PATH: only from the system folder.
 */
#ifndef MELVOX_APP_SYSTEM_LIBRARY_H
#define MELVOX_APP_SYSTEM_LIBRARY_H

#include <windows.h>

/* Restricts the process's default library search to the system folder,
   where the platform offers it (looked up at run time: Vista without its
   later update lacks it). Called first thing at start. True when the
   restriction is in force. */
bool RestrictLibrarySearch();

/* Loads the library of that file name from the system folder only, or
   returns null. Uses the loader's own system-folder search where the
   platform has it, else the full path built from the system folder. */
HMODULE LoadSystemLibrary(const char* name);

/* The full-path way alone, for systems without the system-folder search:
   null when the path would not fit MAX_PATH or the file cannot be loaded. */
HMODULE LoadSystemLibraryByPath(const char* name);

/* Loads each library of the list and keeps it loaded; false as soon as one
   cannot be loaded. The list holds the file names one after the other,
   each ended by a NUL, and ends with an empty name ("a.dll\0b.dll\0").
   An operation that calls into libraries the program loads on first use
   asks this first, so that a missing library makes the operation fail
   like a failed call. */
bool LoadSystemLibraries(const char* names);

#endif
