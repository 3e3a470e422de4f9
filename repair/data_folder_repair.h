/*
 * Rebuilds the data folder under the machine-wide application-data folder
 * and gives Everyone full access to it and to its two data files.
 */
#ifndef MELVOX_DATA_FOLDER_REPAIR_H
#define MELVOX_DATA_FOLDER_REPAIR_H

void RepairDataFolder();

#endif
