/*
 * Fixture for the repair's tests: builds the "Varto Computer\Melvox\..." tree
 * under the prefix's own common application-data folder and a folder outside
 * it, and removes both afterwards. Unix links are planted with the system's
 * own ln, started from the test through Wine; the trees are removed with rm,
 * because deleting through a unix symlink from inside Wine deletes its target.
 */
#ifndef MELVOX_TESTS_REPAIR_FIXTURE_H
#define MELVOX_TESTS_REPAIR_FIXTURE_H

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/files.h"

/* Starts a process (application may be null: the command line names it)
   with the given creation flags. *handle, when asked for, gets its handle
   for the caller to close; Wine gives none for a unix program. */
bool StartProcess(const wchar_t* application, const std::wstring& commandLine, DWORD flags,
                  HANDLE* handle);

/* Plants a unix symbolic link at link (a Windows path whose folder exists)
   that leads to target (a Windows path). */
bool MakeUnixSymlink(const std::wstring& target, const std::wstring& link);
/* Renames with the system's own mv, which no Windows share mode stops. */
bool MoveUnix(const std::wstring& from, const std::wstring& to);
/* Removes a tree with rm -rf, never following a link inside it. */
void RemoveTreeUnix(const std::wstring& path);

/* Names in a folder; folders are marked with a trailing "\". */
std::set<std::wstring> ListFolder(const std::wstring& folder);

/* Everything under root: relative path to bytes ("<folder>" for a folder)
   and access list. */
std::map<std::wstring, std::string> SnapshotTree(const std::wstring& root);

/* A file with its bytes, or a folder when bytes is nullptr. */
struct Item {
    const wchar_t* name;
    const char* bytes; /* nullptr: a folder of that name */
};

/* Creates the items in the folder where. */
void Plant(const std::wstring& where, const std::vector<Item>& items);
/* Expects the folder where to hold exactly the items (names in ignored
   left out), each file with its bytes. */
void ExpectContents(const std::wstring& where, const std::vector<Item>& items,
                    const std::set<std::wstring>& ignored);

class RepairTreeTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Expects the data folder and the parent (the data folder itself left
       out) to hold exactly these items, the data folder and exactly the
       files of folderAfter named in granted to carry Everyone's full
       access. */
    void ExpectTreeAfter(const std::vector<Item>& folderAfter, const std::vector<Item>& parentAfter,
                         const std::vector<const wchar_t*>& granted);

    std::wstring appData; /* ...\ProgramData */
    std::wstring vendor;  /* ...\Varto Computer */
    std::wstring parent;  /* ...\Varto Computer\Melvox */
    std::wstring folder;  /* ...\Varto Computer\Melvox\Zelnar */
    std::wstring outside; /* C:\melvox-outside, a folder the repair must never touch */
};

#endif
