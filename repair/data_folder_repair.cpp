/* placeholder: being written */
#include "repair/data_folder_repair.h"
void RepairDataFolder() {}
