/*
 * File and access-list helpers shared by the test programs: the common
 * application-data folder, whole-file reads and writes, and what Wine keeps
 * of an object's access list.
 */
#ifndef MELVOX_TESTS_SUPPORT_FILES_H
#define MELVOX_TESTS_SUPPORT_FILES_H

#include <windows.h>

#include <string>

/* The common application-data folder, as the repair finds it. */
std::wstring CommonAppDataFolder();

bool WriteBytes(const std::wstring& path, const std::string& bytes);
/* The file's bytes, or "<missing>" when it cannot be read. */
std::string ReadBytes(const std::wstring& path);
/* Creates a folder and the folders above it; "\\?\" paths too. */
bool MakeFolders(const std::wstring& path);
bool Exists(const std::wstring& path);
bool IsFolder(const std::wstring& path);

/* True when the object's access list carries an allow entry for Everyone
   with read, write and execute (what Wine can keep of GENERIC_ALL). */
bool EveryoneHasFullAccess(const std::wstring& path);
/* The object's access list in SDDL form, or "<unreadable>"; under Wine it
   mirrors the unix permission bits. */
std::wstring AccessText(const std::wstring& path);

#endif
