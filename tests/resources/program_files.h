/*
 * Finds the two built program files for the resource tests and opens them.
 * ctest hands their unix paths over in MELVOX_PROGRAM_64 and
 * MELVOX_PROGRAM_32; Wine maps the unix root to drive Z:. Both files are
 * loaded as data files, so each build's test process (64-bit under wine64,
 * 32-bit in the emulated machine) inspects both and neither program's code
 * ever runs.
 */
#ifndef MELVOX_TESTS_PROGRAM_FILES_H
#define MELVOX_TESTS_PROGRAM_FILES_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#define PROGRAM_64_VARIABLE "MELVOX_PROGRAM_64"
#define PROGRAM_32_VARIABLE "MELVOX_PROGRAM_32"

// The Windows path of the program file named by an environment variable,
// or an empty string when the variable is not set.
std::wstring ProgramPathFromEnvironment(const char* variable);

// The unix path /x/y as Wine sees it, Z:\x\y; other paths are kept.
std::wstring WindowsPathFromUnixPath(const std::string& path);

// The program file mapped as a data file and image resource, or null.
HMODULE LoadProgramAsData(const std::wstring& path);

// 32-bit Wine maps no 64-bit program file as an image resource:
// LoadLibraryExW fails with ERROR_BAD_EXE_FORMAT (193), while wine64 maps the
// 32-bit file that way, and plain LOAD_LIBRARY_AS_DATAFILE works in both.
// True when a 32-bit test process was refused the 64-bit file so; the case
// is then skipped with this reason, and the 64-bit run covers that file.
bool Wine32RefusedThe64BitImage(const char* variable, DWORD error);
#define WINE32_REFUSES_64BIT_IMAGE                                                   \
    "32-bit Wine refuses to map the 64-bit program as an image resource (error 193);" \
    " the 64-bit run checks that file"

// The whole file, or an empty vector when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::wstring& path);

// The bytes of the US English resource of that type and name; found is
// false (and the vector empty) when the module has no such resource.
std::vector<uint8_t> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name,
                                   bool* found = nullptr);

// One resource as the module's directory lists it.
struct ResourceKey {
    std::wstring type; // "#5" for a numbered type, else the name
    std::wstring name; // likewise
    WORD language;
};

// Every resource of the module, in directory order.
std::vector<ResourceKey> ListResources(HMODULE module);

// The name or number that a key's text ("#7" or "REPORTDLG") stands for,
// as the resource calls take it; points into text.
LPCWSTR ResourceIdFromText(const std::wstring& text);

// The text form of a key, "type/name/language", for messages and sets.
std::wstring KeyText(const ResourceKey& key);

#endif
