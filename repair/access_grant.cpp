/*
 * Full-access grant: merges one allow entry for Everyone into the access
 * list of a file or folder. The object is opened once, without following a
 * reparse point, and checked on that handle; the list is read from and
 * written to the same handle, so a link swapped in after the check is never
 * the one opened up. Everyone is given by its well-known identifier
 * (S-1-1-0): the English name does not resolve on systems in other
 * languages, and the repair would then silently grant nothing.
 */
#include "repair/access_grant.h"

#include <windows.h>
#include <aclapi.h>

#include "repair/link_guard.h"

void GrantEveryoneFullAccessThrough(HANDLE object)
{
    PACL existingList = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    PACL newList = NULL;

    DWORD everyoneSid[SECURITY_MAX_SID_SIZE / sizeof(DWORD)];
    DWORD sidSize = sizeof everyoneSid;
    if (CreateWellKnownSid(WinWorldSid, NULL, everyoneSid, &sidSize) &&
        GetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL,
                        &existingList, NULL, &descriptor) == ERROR_SUCCESS) {
        EXPLICIT_ACCESS_W entry;
        ZeroMemory(&entry, sizeof entry);
        entry.grfAccessPermissions = GENERIC_ALL;
        entry.grfAccessMode = SET_ACCESS;
        entry.grfInheritance = NO_INHERITANCE;
        entry.Trustee.pMultipleTrustee = NULL;
        entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
        entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entry.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
        entry.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyoneSid);
        if (SetEntriesInAclW(1, &entry, existingList, &newList) == ERROR_SUCCESS)
            SetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, newList,
                            NULL);
    }

    if (descriptor != NULL)
        LocalFree(descriptor);
    if (newList != NULL)
        LocalFree(newList);
}

void GrantEveryoneFullAccess(const wchar_t* path)
{
    HANDLE object = OpenPlainObject(path, READ_CONTROL | WRITE_DAC, kShareAll, NULL);
    if (object == INVALID_HANDLE_VALUE)
        return;
    GrantEveryoneFullAccessThrough(object);
    CloseHandle(object);
}
