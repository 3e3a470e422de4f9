/* placeholder: being written */
#include "repair/path_join.h"
bool JoinPath(wchar_t*, size_t, const wchar_t*) { return false; }
