/*
 * Licence text loading. The RTF document "RTF_TEXT" 129 of the program's
 * own module is copied, byte for byte and without a terminating NUL, into
 * one fixed global-memory block described by an RtfSourceBuffer; the rich
 * edit control then pulls it through RtfStreamInCallback inside a single
 * EM_STREAMIN, which replaces the control's whole content.
 */
#include "license/license_text.h"

#include <string.h>

#include "app/app_globals.h"
#include "app/resources/resource.h"
#include "platform/rich_edit.h"

// Copies the document out of the resources. Leaves the record empty when
// the resource or the block is missing, so nothing is streamed from it.
static void CopyLicenseDocument(RtfSourceBuffer* source)
{
    source->data = nullptr;
    source->position = 0;
    source->size = 0;

    HRSRC info = FindResourceA(gInstance, MAKEINTRESOURCEA(IDR_LICENSE_RTF), RTF_TEXT_TYPE);
    if (info == nullptr)
        return;
    DWORD size = SizeofResource(gInstance, info);
    HGLOBAL loaded = LoadResource(gInstance, info);
    if (loaded == nullptr)
        return;
    // GPTR is a fixed block: its handle is its address.
    BYTE* block = static_cast<BYTE*>(GlobalAlloc(GPTR, size));
    if (block != nullptr)
        memcpy(block, loaded, size);
    FreeResource(loaded);
    if (block == nullptr)
        return;

    source->data = block;
    source->size = size;
}

int LoadLicenseText(RtfSourceBuffer* source, HWND control)
{
    // A block from an earlier load would otherwise be lost; the dialog
    // procedure clears data when it frees the block, so this never frees
    // one twice.
    if (source->data != nullptr)
        GlobalFree(source->data);

    CopyLicenseDocument(source);
    if (source->data == nullptr)
        return 0;

    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(source);
    stream.dwError = 0;
    stream.pfnCallback = RtfStreamInCallback;
    SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    return 0;
}

DWORD CALLBACK RtfStreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested,
                                   LONG* transferred)
{
    RtfSourceBuffer* source = reinterpret_cast<RtfSourceBuffer*>(cookie);

    // Compared with what remains, never as position + requested: that sum
    // wraps for a negative or huge request and would copy past the
    // document. A negative request offers no room at all.
    DWORD remaining = source->position < source->size ? source->size - source->position : 0;
    DWORD count = 0;
    if (requested > 0)
        count =
            static_cast<DWORD>(requested) < remaining ? static_cast<DWORD>(requested) : remaining;

    if (count > 0)
        memcpy(buffer, source->data + source->position, count);
    if (transferred != nullptr)
        *transferred = static_cast<LONG>(count);
    source->position += count;
    return 0;
}
