/* Storage for the globals that cross from the run sequence into the dialog. */
#include "app/app_globals.h"

HINSTANCE gInstance = nullptr;
