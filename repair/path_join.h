/*
 * Bounded path joining for the repair's fixed-size path buffers. The shell's
 * own join assumes buffers of MAX_PATH characters, while the repair keeps its
 * paths in 256; this join never writes past the capacity it is given.
 */
#ifndef MELVOX_PATH_JOIN_H
#define MELVOX_PATH_JOIN_H

#include <stddef.h>

/* Appends part to the path in buffer (capacity characters, terminator
   included) with one backslash between them. Returns false, and leaves the
   buffer as it was, when the result would not fit. */
bool JoinPath(wchar_t* buffer, size_t capacity, const wchar_t* part);

/* Copies source into buffer (capacity characters, terminator included).
   Returns false, and leaves the buffer as it was, when it would not fit. */
bool CopyPath(wchar_t* buffer, size_t capacity, const wchar_t* source);

/* The capacity of each of the repair's path buffers. */
static const size_t kRepairPathCapacity = 256;

/* Fills buffer, of kRepairPathCapacity characters, with folder joined to
   name. False, and nothing to use, when the path does not fit. */
bool BuildRepairPath(wchar_t* buffer, const wchar_t* folder, const wchar_t* name);

#endif
