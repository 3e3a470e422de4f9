/*
 * Bounded path joining: the repair's paths live in 256-character buffers, so
 * every join checks the whole result against the capacity before it writes
 * a single character. A join that does not fit changes nothing and tells the
 * caller, which then skips the operation that needed the path.
 */
#include "repair/path_join.h"

static size_t TextLength(const wchar_t* text)
{
    size_t length = 0;
    while (text[length] != L'\0')
        ++length;
    return length;
}

static bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool CopyPath(wchar_t* buffer, size_t capacity, const wchar_t* source)
{
    size_t length = TextLength(source);
    if (capacity == 0 || length >= capacity)
        return false;
    for (size_t i = 0; i <= length; ++i)
        buffer[i] = source[i];
    return true;
}

bool BuildRepairPath(wchar_t* buffer, const wchar_t* folder, const wchar_t* name)
{
    return CopyPath(buffer, kRepairPathCapacity, folder) &&
           JoinPath(buffer, kRepairPathCapacity, name);
}

bool JoinPath(wchar_t* buffer, size_t capacity, const wchar_t* part)
{
    if (capacity == 0)
        return false;
    size_t baseLength = 0;
    while (baseLength < capacity && buffer[baseLength] != L'\0')
        ++baseLength;
    if (baseLength == capacity)
        return false; /* not terminated inside its buffer: never touch it */

    /* Exactly one backslash between the two parts, whatever either brings;
       a base made only of separators keeps one of them as the root. */
    while (IsSeparator(*part))
        ++part;
    size_t partLength = TextLength(part);
    if (partLength == 0)
        return true;
    size_t keep = baseLength;
    while (keep > 0 && IsSeparator(buffer[keep - 1]))
        --keep;
    bool separator = keep > 0;
    if (keep == 0 && baseLength > 0)
        keep = 1;
    size_t total = keep + (separator ? 1 : 0) + partLength;
    if (total >= capacity)
        return false;

    size_t at = keep;
    if (separator)
        buffer[at++] = L'\\';
    for (size_t i = 0; i < partLength; ++i)
        buffer[at++] = part[i];
    buffer[at] = L'\0';
    return true;
}
