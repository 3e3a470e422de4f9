/* placeholder: being written */
#include "repair/access_grant.h"
void GrantEveryoneFullAccess(const wchar_t*) {}
