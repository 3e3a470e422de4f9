/*
 * Fault injection for the repair's tests: the test program patches its own
 * import table so that the repair's calls into the file, security and
 * folder functions pass through a counter first. Armed, the counter can end
 * the process right before the Nth call (a crash or power cut at that very
 * moment), make the Nth call fail with a given error as the system would
 * (full disk, locked file, denied access), or run a callback before each
 * call. The real functions run otherwise; nothing stands in for Win32.
 */
#ifndef MELVOX_TESTS_REPAIR_FILE_OPERATION_HOOKS_H
#define MELVOX_TESTS_REPAIR_FILE_OPERATION_HOOKS_H

#include <windows.h>

/* Exit code of a process ended by a crash point. */
static const UINT kCrashExitCode = 0xDEAD;

/* Called before an armed call, with its number (from 1) and the function's
   name; the hooks are disarmed while it runs. */
typedef void (*BeforeFileOperation)(int number, const char* function);

/* Patches the program's import table once. False when any of the
   functions that the repair calls was not found there. */
bool InstallFileOperationHooks();

/* Counts calls from now on. */
void ArmCount();
/* Counts calls from now on; the process ends with kCrashExitCode right
   before call number crashAt. */
void ArmCrash(int crashAt);
/* Counts calls from now on; call number failAt returns the function's
   failure with error. */
void ArmFailure(int failAt, DWORD error);
/* Counts calls from now on and calls before ahead of each. */
void ArmCallback(BeforeFileOperation before);
/* Stops counting; returns the number of calls counted since arming. */
int Disarm();

#endif
