/*
 * Redirection-trust mitigation: the program runs elevated and works in a
 * folder that ordinary users can write to, so where the platform can refuse
 * junctions planted by non-administrators for the whole process, ask it to.
 * SetProcessMitigationPolicy is missing on Vista and 7 and the policy is
 * unknown to older releases of later systems: the function is looked up at
 * run time and a refusal is harmless, the repair checks links itself too.
 */
#include "repair/redirection_trust.h"

#include <windows.h>

typedef BOOL(WINAPI* SetMitigationPolicyFunction)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);

bool EnableRedirectionTrust()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == NULL)
        return false;
    SetMitigationPolicyFunction setPolicy = reinterpret_cast<SetMitigationPolicyFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessMitigationPolicy")));
    if (setPolicy == NULL)
        return false;

    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy;
    ZeroMemory(&policy, sizeof policy);
    policy.EnforceRedirectionTrust = 1;
    return setPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof policy) != FALSE;
}
