/*
 * Rebuilds the data folder under the machine-wide application-data folder
 * and gives Everyone full access to it and to its two data files.
 */
#ifndef MELVOX_DATA_FOLDER_REPAIR_H
#define MELVOX_DATA_FOLDER_REPAIR_H

/* The repair as the run sequence calls it, under the machine-wide
   application-data folder. Reports nothing. */
void RepairDataFolder();

/* The same repair under the given application-data folder. */
void RepairDataFolderIn(const wchar_t* applicationDataFolder);

#endif
