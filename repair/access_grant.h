/*
 * Gives Everyone full access to one file or folder, keeping the other
 * entries of its access list.
 */
#ifndef MELVOX_ACCESS_GRANT_H
#define MELVOX_ACCESS_GRANT_H

#include <windows.h>

/* Merges one allow entry, GENERIC_ALL for Everyone, without inheritance, into
   the access list of the object at path. Refuses links (see link_guard.h) and
   does nothing when the path does not exist. Reports nothing. */
void GrantEveryoneFullAccess(const wchar_t* path);

/* The same for an object already opened and checked by the caller, with
   READ_CONTROL and WRITE_DAC access. */
void GrantEveryoneFullAccessThrough(HANDLE object);

#endif
