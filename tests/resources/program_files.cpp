/*
 * Locating, mapping and reading the built program files for the resource
 * tests.
 */
#include "tests/resources/program_files.h"

#include <cstdlib>

std::wstring WindowsPathFromUnixPath(const std::string& path)
{
    std::wstring out;
    if (!path.empty() && path[0] == '/')
        out = L"Z:";
    for (char c : path)
        out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::wstring ProgramPathFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    return value ? WindowsPathFromUnixPath(value) : std::wstring();
}

HMODULE LoadProgramAsData(const std::wstring& path)
{
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

bool Wine32RefusedThe64BitImage(const char* variable, DWORD error)
{
#ifdef _WIN64
    (void)variable;
    (void)error;
    return false;
#else
    return error == ERROR_BAD_EXE_FORMAT && std::string(variable) == PROGRAM_64_VARIABLE;
#endif
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
            read != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

std::vector<uint8_t> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, bool* found)
{
    std::vector<uint8_t> bytes;
    HRSRC info = FindResourceExW(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const uint8_t* p = data ? static_cast<const uint8_t*>(LockResource(data)) : nullptr;
    if (p)
        bytes.assign(p, p + SizeofResource(module, info));
    if (found)
        *found = p != nullptr;
    return bytes;
}

namespace
{

std::wstring IdText(LPCWSTR id)
{
    return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id))
                              : std::wstring(id);
}

BOOL CALLBACK AddType(HMODULE, LPWSTR type, LONG_PTR list)
{
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(IdText(type));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list)
{
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(IdText(name));
    return TRUE;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

} // namespace

LPCWSTR ResourceIdFromText(const std::wstring& text)
{
    return !text.empty() && text[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(text.substr(1)))
                                            : text.c_str();
}

// The names that EnumResource...W hand out are valid only during the
// callback, so each level keeps their text form.
std::vector<ResourceKey> ListResources(HMODULE module)
{
    std::vector<ResourceKey> keys;
    std::vector<std::wstring> types;
    EnumResourceTypesW(module, AddType, reinterpret_cast<LONG_PTR>(&types));
    for (const std::wstring& type : types) {
        std::vector<std::wstring> names;
        EnumResourceNamesW(module, ResourceIdFromText(type), AddName,
                           reinterpret_cast<LONG_PTR>(&names));
        for (const std::wstring& name : names) {
            std::vector<WORD> languages;
            EnumResourceLanguagesW(module, ResourceIdFromText(type), ResourceIdFromText(name),
                                   AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
            for (WORD language : languages)
                keys.push_back(ResourceKey{type, name, language});
        }
    }
    return keys;
}

std::wstring KeyText(const ResourceKey& key)
{
    wchar_t language[8];
    wsprintfW(language, L"%04x", key.language);
    return key.type + L"/" + key.name + L"/" + language;
}
