/*
 * Helpers and fixture for the repair's tests (see repair_fixture.h).
 */
#include "repair_fixture.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

/* Wine's own export that maps a Windows path to the unix one. */
static std::string UnixPathOf(const std::wstring& path)
{
    typedef char*(CDECL * UnixNameFunction)(const wchar_t*);
    UnixNameFunction unixName = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == NULL)
        return "";
    char* name = unixName(path.c_str());
    if (name == NULL)
        return "";
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

/* The unix path of a Windows path whose last part may not exist yet. */
static std::string UnixPathOfNew(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    std::string folder = UnixPathOf(path.substr(0, slash));
    if (folder.empty())
        return "";
    std::string name;
    for (wchar_t c : path.substr(slash + 1))
        name += static_cast<char>(c); /* the tests' names are ASCII */
    return folder + "/" + name;
}

static std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

/* Starts a unix program; Wine runs it outside its own process model, so the
   caller waits for the program's effect instead of its exit. */
bool StartProcess(const wchar_t* application, const std::wstring& commandLine, DWORD flags,
                  HANDLE* handle)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    /* The child gets none of this program's standard handles: its output
       is of no use, and this program's own output, which ctest reads for
       GoogleTest's summary, is then shared with no other process. */
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE nowhere =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, NULL);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    BOOL started = CreateProcessW(application, buffer.data(), NULL, NULL, TRUE, flags, NULL, NULL,
                                  &startup, &process);
    if (nowhere != INVALID_HANDLE_VALUE)
        CloseHandle(nowhere);
    if (!started)
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (handle)
        *handle = process.hProcess;
    else if (process.hProcess)
        CloseHandle(process.hProcess);
    return true;
}

static bool StartUnixProgram(const wchar_t* program, const std::wstring& arguments)
{
    std::wstring application = std::wstring(L"Z:") + program;
    for (wchar_t& c : application)
        if (c == L'/')
            c = L'\\';
    return StartProcess(application.c_str(), std::wstring(program) + L" " + arguments, 0, NULL);
}

static bool WaitUntilExists(const std::wstring& path, bool wanted)
{
    for (int i = 0; i < 500; ++i) {
        if (Exists(path) == wanted)
            return true;
        Sleep(20);
    }
    return false;
}

bool MakeUnixSymlink(const std::wstring& target, const std::wstring& link)
{
    std::string unixTarget = UnixPathOf(target);
    std::string unixLink = UnixPathOfNew(link);
    if (unixTarget.empty() || unixLink.empty())
        return false;
    if (!StartUnixProgram(L"/bin/ln",
                          L"-s \"" + Widen(unixTarget) + L"\" \"" + Widen(unixLink) + L"\""))
        return false;
    return WaitUntilExists(link, true);
}

bool MoveUnix(const std::wstring& from, const std::wstring& to)
{
    std::string unixFrom = UnixPathOf(from);
    std::string unixTo = UnixPathOfNew(to);
    if (unixFrom.empty() || unixTo.empty())
        return false;
    if (!StartUnixProgram(L"/bin/mv", L"\"" + Widen(unixFrom) + L"\" \"" + Widen(unixTo) + L"\""))
        return false;
    return WaitUntilExists(to, true);
}

void RemoveTreeUnix(const std::wstring& path)
{
    if (!Exists(path))
        return;
    std::string unixPath = UnixPathOf(path);
    ASSERT_FALSE(unixPath.empty());
    ASSERT_TRUE(StartUnixProgram(L"/bin/rm", L"-rf \"" + Widen(unixPath) + L"\""));
    ASSERT_TRUE(WaitUntilExists(path, false)) << "could not remove the test tree";
}

std::set<std::wstring> ListFolder(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            name += L"\\";
        names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

static void SnapshotInto(const std::wstring& root, const std::wstring& relative,
                         std::map<std::wstring, std::string>* snapshot)
{
    std::wstring path = relative.empty() ? root : root + L"\\" + relative;
    std::wstring access = AccessText(path);
    std::string accessBytes(access.begin(), access.end());
    if (!IsFolder(path)) {
        (*snapshot)[relative] = ReadBytes(path) + " | " + accessBytes;
        return;
    }
    (*snapshot)[relative] = "<folder> | " + accessBytes;
    for (std::wstring name : ListFolder(path)) {
        if (name.back() == L'\\')
            name.pop_back();
        SnapshotInto(root, relative.empty() ? name : relative + L"\\" + name, snapshot);
    }
}

std::map<std::wstring, std::string> SnapshotTree(const std::wstring& root)
{
    std::map<std::wstring, std::string> snapshot;
    if (Exists(root))
        SnapshotInto(root, L"", &snapshot);
    return snapshot;
}

static std::set<std::wstring> NamesOf(const std::vector<Item>& items)
{
    std::set<std::wstring> names;
    for (const Item& item : items)
        names.insert(std::wstring(item.name) + (item.bytes ? L"" : L"\\"));
    return names;
}

void Plant(const std::wstring& where, const std::vector<Item>& items)
{
    for (const Item& item : items) {
        std::wstring path = where + L"\\" + item.name;
        bool planted = item.bytes ? WriteBytes(path, item.bytes)
                                  : CreateDirectoryW(path.c_str(), NULL) != FALSE;
        ASSERT_TRUE(planted) << std::string(path.begin(), path.end());
    }
}

void ExpectContents(const std::wstring& where, const std::vector<Item>& items,
                    const std::set<std::wstring>& ignored)
{
    std::set<std::wstring> names = ListFolder(where);
    for (const std::wstring& name : ignored)
        names.erase(name);
    EXPECT_EQ(NamesOf(items), names) << "in " << std::string(where.begin(), where.end());
    for (const Item& item : items) {
        if (item.bytes) {
            EXPECT_EQ(item.bytes, ReadBytes(where + L"\\" + item.name));
        }
    }
}

void RepairTreeTest::ExpectTreeAfter(const std::vector<Item>& folderAfter,
                                     const std::vector<Item>& parentAfter,
                                     const std::vector<const wchar_t*>& granted)
{
    ExpectContents(folder, folderAfter, {});
    ExpectContents(parent, parentAfter, {L"Zelnar\\"});
    EXPECT_TRUE(EveryoneHasFullAccess(folder));
    for (const Item& item : folderAfter) {
        if (!item.bytes)
            continue;
        bool wanted = false;
        for (const wchar_t* name : granted)
            wanted = wanted || std::wstring(name) == item.name;
        std::wstring path = folder + L"\\" + item.name;
        EXPECT_EQ(wanted, EveryoneHasFullAccess(path)) << std::string(path.begin(), path.end());
    }
}

void RepairTreeTest::SetUp()
{
    appData = CommonAppDataFolder();
    ASSERT_FALSE(appData.empty());
    vendor = appData + L"\\Varto Computer";
    parent = vendor + L"\\Melvox";
    folder = parent + L"\\Zelnar";
    outside = appData.substr(0, 3) + L"melvox-outside";
    RemoveTreeUnix(vendor);
    RemoveTreeUnix(outside);
    ASSERT_TRUE(CreateDirectoryW(outside.c_str(), NULL));
}

void RepairTreeTest::TearDown()
{
    RemoveTreeUnix(vendor);
    RemoveTreeUnix(outside);
}
