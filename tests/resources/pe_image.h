/*
 * Reads what the loader needs to start a program from the bytes of its
 * file: the machine, the optional header's kind, the subsystem, the
 * loader flags, the link timestamp, the base relocations' size and the
 * names of the DLLs in the import table. Pure arithmetic over a byte
 * buffer, every offset bounds-checked, so a damaged file is refused rather
 * than misread.
 */
#ifndef MELVOX_TESTS_PE_IMAGE_H
#define MELVOX_TESTS_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

struct PeSummary {
    uint16_t machine;               // IMAGE_FILE_MACHINE_I386, _AMD64, ...
    uint16_t optionalMagic;         // 0x10B PE32, 0x20B PE32+
    uint16_t subsystem;             // IMAGE_SUBSYSTEM_WINDOWS_GUI, ...
    uint16_t characteristics;       // IMAGE_FILE_RELOCS_STRIPPED, ...
    uint16_t dllCharacteristics;    // IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, ...
    uint32_t timeDateStamp;         // the link time, or 0
    uint32_t relocationsSize;       // of the base relocation directory
    uint32_t bytesOutsideResources; // headers and every section but .rsrc
    std::vector<std::string> importedDlls;
};

// Fills summary from a PE file's bytes; false when the bytes are not a
// well-formed PE file with a readable import table.
bool ReadPeSummary(const std::vector<uint8_t>& file, PeSummary& summary);

// True for the DLLs that every Windows installation carries and that the
// program may import; the comparison ignores case.
bool IsSystemDll(const std::string& name);

#endif
