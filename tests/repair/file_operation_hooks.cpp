/*
 * Import-table hooks for fault injection (see file_operation_hooks.h).
 * The program is linked statically, so the repair's calls into the system
 * go through this module's own import table; calls that the system makes
 * inside its libraries are not counted.
 */
#include "file_operation_hooks.h"

#include <aclapi.h>

#include <string.h>

namespace
{

enum Mode { kOff, kCount, kCrash, kFail };

Mode gMode = kOff;
int gCount = 0;
int gTarget = 0;
DWORD gError = ERROR_SUCCESS;
BeforeFileOperation gBefore = nullptr;

/* True when the call is to run; false when it is to fail (error set). */
bool Enter(const char* function)
{
    if (gMode == kOff)
        return true;
    ++gCount;
    if (gBefore) {
        Mode mode = gMode;
        gMode = kOff;
        gBefore(gCount, function);
        gMode = mode;
    }
    if (gCount != gTarget)
        return true;
    if (gMode == kCrash)
        TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    if (gMode == kFail) {
        SetLastError(gError);
        return false;
    }
    return true;
}

decltype(&CreateFileW) gCreateFileW;
decltype(&ReadFile) gReadFile;
decltype(&WriteFile) gWriteFile;
decltype(&FlushFileBuffers) gFlushFileBuffers;
decltype(&SetFileInformationByHandle) gSetFileInformationByHandle;
decltype(&GetFileInformationByHandle) gGetFileInformationByHandle;
decltype(&GetFileInformationByHandleEx) gGetFileInformationByHandleEx;
decltype(&CreateDirectoryW) gCreateDirectoryW;
decltype(&GetSecurityInfo) gGetSecurityInfo;
decltype(&SetSecurityInfo) gSetSecurityInfo;

HANDLE WINAPI HookCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE model)
{
    if (!Enter("CreateFileW"))
        return INVALID_HANDLE_VALUE;
    return gCreateFileW(name, access, share, sa, disposition, flags, model);
}

BOOL WINAPI HookReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read,
                         LPOVERLAPPED overlapped)
{
    if (!Enter("ReadFile"))
        return FALSE;
    return gReadFile(file, buffer, count, read, overlapped);
}

BOOL WINAPI HookWriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                          LPOVERLAPPED overlapped)
{
    if (!Enter("WriteFile"))
        return FALSE;
    return gWriteFile(file, buffer, count, written, overlapped);
}

BOOL WINAPI HookFlushFileBuffers(HANDLE file)
{
    if (!Enter("FlushFileBuffers"))
        return FALSE;
    return gFlushFileBuffers(file);
}

BOOL WINAPI HookSetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, LPVOID info,
                                           DWORD size)
{
    if (!Enter("SetFileInformationByHandle"))
        return FALSE;
    return gSetFileInformationByHandle(file, type, info, size);
}

BOOL WINAPI HookGetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    if (!Enter("GetFileInformationByHandle"))
        return FALSE;
    return gGetFileInformationByHandle(file, info);
}

BOOL WINAPI HookGetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type,
                                             LPVOID info, DWORD size)
{
    if (!Enter("GetFileInformationByHandleEx"))
        return FALSE;
    return gGetFileInformationByHandleEx(file, type, info, size);
}

BOOL WINAPI HookCreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES sa)
{
    if (!Enter("CreateDirectoryW"))
        return FALSE;
    return gCreateDirectoryW(path, sa);
}

DWORD WINAPI HookGetSecurityInfo(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                                 PSID* owner, PSID* group, PACL* dacl, PACL* sacl,
                                 PSECURITY_DESCRIPTOR* descriptor)
{
    if (!Enter("GetSecurityInfo"))
        return GetLastError();
    return gGetSecurityInfo(object, type, info, owner, group, dacl, sacl, descriptor);
}

DWORD WINAPI HookSetSecurityInfo(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                                 PSID owner, PSID group, PACL dacl, PACL sacl)
{
    if (!Enter("SetSecurityInfo"))
        return GetLastError();
    return gSetSecurityInfo(object, type, info, owner, group, dacl, sacl);
}

/* Not used by the repair on handles; counted so that a repair that copied,
   deleted or removed by path again would still meet every crash point. */
decltype(&CopyFileW) gCopyFileW;
decltype(&DeleteFileW) gDeleteFileW;
decltype(&RemoveDirectoryW) gRemoveDirectoryW;

BOOL WINAPI HookCopyFileW(LPCWSTR source, LPCWSTR target, BOOL failIfExists)
{
    if (!Enter("CopyFileW"))
        return FALSE;
    return gCopyFileW(source, target, failIfExists);
}

BOOL WINAPI HookDeleteFileW(LPCWSTR path)
{
    if (!Enter("DeleteFileW"))
        return FALSE;
    return gDeleteFileW(path);
}

BOOL WINAPI HookRemoveDirectoryW(LPCWSTR path)
{
    if (!Enter("RemoveDirectoryW"))
        return FALSE;
    return gRemoveDirectoryW(path);
}

struct Hook {
    const char* name;
    void* replacement;
    void** original;
    bool required; /* the repair imports it */
};

const Hook kHooks[] = {
    {"CreateFileW", reinterpret_cast<void*>(HookCreateFileW),
     reinterpret_cast<void**>(&gCreateFileW), true},
    {"ReadFile", reinterpret_cast<void*>(HookReadFile), reinterpret_cast<void**>(&gReadFile), true},
    {"WriteFile", reinterpret_cast<void*>(HookWriteFile), reinterpret_cast<void**>(&gWriteFile),
     true},
    {"FlushFileBuffers", reinterpret_cast<void*>(HookFlushFileBuffers),
     reinterpret_cast<void**>(&gFlushFileBuffers), true},
    {"SetFileInformationByHandle", reinterpret_cast<void*>(HookSetFileInformationByHandle),
     reinterpret_cast<void**>(&gSetFileInformationByHandle), true},
    {"GetFileInformationByHandle", reinterpret_cast<void*>(HookGetFileInformationByHandle),
     reinterpret_cast<void**>(&gGetFileInformationByHandle), true},
    {"GetFileInformationByHandleEx", reinterpret_cast<void*>(HookGetFileInformationByHandleEx),
     reinterpret_cast<void**>(&gGetFileInformationByHandleEx), true},
    {"CreateDirectoryW", reinterpret_cast<void*>(HookCreateDirectoryW),
     reinterpret_cast<void**>(&gCreateDirectoryW), true},
    {"GetSecurityInfo", reinterpret_cast<void*>(HookGetSecurityInfo),
     reinterpret_cast<void**>(&gGetSecurityInfo), true},
    {"SetSecurityInfo", reinterpret_cast<void*>(HookSetSecurityInfo),
     reinterpret_cast<void**>(&gSetSecurityInfo), true},
    {"CopyFileW", reinterpret_cast<void*>(HookCopyFileW), reinterpret_cast<void**>(&gCopyFileW),
     false},
    {"DeleteFileW", reinterpret_cast<void*>(HookDeleteFileW),
     reinterpret_cast<void**>(&gDeleteFileW), false},
    {"RemoveDirectoryW", reinterpret_cast<void*>(HookRemoveDirectoryW),
     reinterpret_cast<void**>(&gRemoveDirectoryW), false},
};

bool PatchSlot(void** slot, void* replacement)
{
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old))
        return false;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

} // namespace

bool InstallFileOperationHooks()
{
    static int installed = -1;
    if (installed >= 0)
        return installed == 1;

    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(NULL));
    IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int required = 0;
    for (IMAGE_IMPORT_DESCRIPTOR* library =
             reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         library->Name != 0; ++library) {
        IMAGE_THUNK_DATA* names =
            reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            for (const Hook& hook : kHooks) {
                if (strcmp(name, hook.name) != 0)
                    continue;
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                *hook.original = *slot;
                if (PatchSlot(slot, hook.replacement) && hook.required)
                    ++required;
            }
        }
    }
    int wanted = 0;
    for (const Hook& hook : kHooks)
        wanted += hook.required ? 1 : 0;
    installed = required == wanted ? 1 : 0;
    return installed == 1;
}

static void Arm(Mode mode, int target, DWORD error, BeforeFileOperation before)
{
    gCount = 0;
    gTarget = target;
    gError = error;
    gBefore = before;
    gMode = mode;
}

void ArmCount()
{
    Arm(kCount, 0, ERROR_SUCCESS, nullptr);
}

void ArmCrash(int crashAt)
{
    Arm(kCrash, crashAt, ERROR_SUCCESS, nullptr);
}

void ArmFailure(int failAt, DWORD error)
{
    Arm(kFail, failAt, error, nullptr);
}

void ArmCallback(BeforeFileOperation before)
{
    Arm(kCount, 0, ERROR_SUCCESS, before);
}

int Disarm()
{
    gMode = kOff;
    gBefore = nullptr;
    return gCount;
}
