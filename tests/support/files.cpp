/*
 * File and access-list helpers shared by the test programs (see files.h).
 */
#include "tests/support/files.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

std::wstring CommonAppDataFolder()
{
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_COMMON_APPDATA, NULL, SHGFP_TYPE_CURRENT, path) != S_OK)
        return L"";
    return path;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::wstring& path)
{
    size_t from = path.compare(0, 4, L"\\\\?\\") == 0 ? 7 : 3; /* past "C:\" */
    for (size_t at = path.find(L'\\', from);; at = path.find(L'\\', at + 1)) {
        std::wstring step = path.substr(0, at);
        if (!CreateDirectoryW(step.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (at == std::wstring::npos)
            return true;
    }
}

bool EveryoneHasFullAccess(const std::wstring& path)
{
    PACL list = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL,
                              &list, NULL, &descriptor) != ERROR_SUCCESS)
        return false;
    DWORD everyone[SECURITY_MAX_SID_SIZE / sizeof(DWORD)];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, NULL, everyone, &size);
    const DWORD wanted = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;
    bool found = false;
    for (DWORD i = 0; list != NULL && i < list->AceCount; ++i) {
        ACE_HEADER* header = NULL;
        if (!GetAce(list, i, reinterpret_cast<void**>(&header)))
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if (EqualSid(&ace->SidStart, everyone) && (ace->Mask & wanted) == wanted)
            found = true;
    }
    LocalFree(descriptor);
    return found;
}

std::wstring AccessText(const std::wstring& path)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, NULL, NULL,
                              NULL, NULL, &descriptor) != ERROR_SUCCESS)
        return L"<unreadable>";
    wchar_t* text = NULL;
    std::wstring result = L"<unconvertible>";
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION,
            &text, NULL)) {
        result = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return result;
}
