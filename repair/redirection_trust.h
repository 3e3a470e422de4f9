/*
 * Turns on the platform's redirection-trust mitigation for this process,
 * where the platform has it.
 */
#ifndef MELVOX_REDIRECTION_TRUST_H
#define MELVOX_REDIRECTION_TRUST_H

/* Asks the platform to refuse, for this process, file-system redirections
   (junctions and the like) that a non-administrator created. Looked up at
   run time, so the program still starts on systems without it. Returns true
   when the platform accepted the policy; callers may ignore the result. */
bool EnableRedirectionTrust();

#endif
