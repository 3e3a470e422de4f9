/*
 * PE header and import table reader for the shipped-program checks.
 */
#include "tests/resources/pe_image.h"

#include <windows.h>

#include <cstring>

namespace
{

template <typename T> bool ReadAt(const std::vector<uint8_t>& file, size_t offset, T& out)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

// The file offset of a relative virtual address, through the section table.
bool RvaToOffset(const std::vector<uint8_t>& file, size_t sections, unsigned count, uint32_t rva,
                 size_t& offset)
{
    for (unsigned i = 0; i < count; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file, sections + i * sizeof(section), section))
            return false;
        uint32_t size = section.Misc.VirtualSize ? section.Misc.VirtualSize : section.SizeOfRawData;
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
            uint32_t into = rva - section.VirtualAddress;
            if (into >= section.SizeOfRawData)
                return false;
            offset = size_t(section.PointerToRawData) + into;
            return offset < file.size();
        }
    }
    return false;
}

bool ReadCString(const std::vector<uint8_t>& file, size_t offset, std::string& out)
{
    out.clear();
    for (size_t i = offset; i < file.size() && i - offset < 260; ++i) {
        if (file[i] == 0)
            return !out.empty();
        out += static_cast<char>(file[i]);
    }
    return false;
}

} // namespace

bool ReadPeSummary(const std::vector<uint8_t>& file, PeSummary& summary)
{
    summary = PeSummary{};
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0)
        return false;
    size_t nt = static_cast<size_t>(dos.e_lfanew);
    uint32_t signature;
    IMAGE_FILE_HEADER header;
    if (!ReadAt(file, nt, signature) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file, nt + 4, header))
        return false;
    size_t optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    size_t sections = optional + header.SizeOfOptionalHeader;
    summary.machine = header.Machine;
    summary.characteristics = header.Characteristics;
    summary.timeDateStamp = header.TimeDateStamp;

    // The two optional-header kinds differ in layout from the image base on.
    IMAGE_DATA_DIRECTORY imports{};
    uint16_t magic;
    if (!ReadAt(file, optional, magic))
        return false;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 h;
        if (header.SizeOfOptionalHeader < sizeof(h) || !ReadAt(file, optional, h) ||
            h.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_BASERELOC)
            return false;
        summary.subsystem = h.Subsystem;
        summary.dllCharacteristics = h.DllCharacteristics;
        summary.relocationsSize = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_OPTIONAL_HEADER64 h;
        if (header.SizeOfOptionalHeader < sizeof(h) || !ReadAt(file, optional, h) ||
            h.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_BASERELOC)
            return false;
        summary.subsystem = h.Subsystem;
        summary.dllCharacteristics = h.DllCharacteristics;
        summary.relocationsSize = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else {
        return false;
    }
    summary.optionalMagic = magic;
    // The headers take what the first section's file offset leaves them.
    summary.bytesOutsideResources = 0;
    for (unsigned i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file, sections + i * sizeof(section), section))
            return false;
        if (i == 0)
            summary.bytesOutsideResources += section.PointerToRawData;
        if (std::memcmp(section.Name, ".rsrc", 6) != 0)
            summary.bytesOutsideResources += section.SizeOfRawData;
    }
    if (imports.VirtualAddress == 0)
        return true; // imports nothing at all

    size_t descriptor;
    if (!RvaToOffset(file, sections, header.NumberOfSections, imports.VirtualAddress, descriptor))
        return false;
    for (;; descriptor += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry;
        if (!ReadAt(file, descriptor, entry))
            return false;
        if (entry.Name == 0 && entry.FirstThunk == 0)
            return true; // the all-zero entry ends the table
        size_t nameOffset;
        std::string name;
        if (!RvaToOffset(file, sections, header.NumberOfSections, entry.Name, nameOffset) ||
            !ReadCString(file, nameOffset, name))
            return false;
        summary.importedDlls.push_back(name);
    }
}

bool IsSystemDll(const std::string& name)
{
    static const char* const kSystemDlls[] = {
        "KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",    "ADVAPI32.DLL", "SHELL32.DLL",
        "SHLWAPI.DLL",  "COMDLG32.DLL", "COMCTL32.DLL", "MSVCRT.DLL",
    };
    for (const char* dll : kSystemDlls)
        if (lstrcmpiA(name.c_str(), dll) == 0)
            return true;
    return false;
}
