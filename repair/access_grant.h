/*
 * Gives Everyone full access to one file or folder, keeping the other
 * entries of its access list.
 */
#ifndef MELVOX_ACCESS_GRANT_H
#define MELVOX_ACCESS_GRANT_H

void GrantEveryoneFullAccess(const wchar_t* path);

#endif
