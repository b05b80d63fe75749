#include "core/start_up.h"
#include "resource.h"
#include "ui/armed_icon.h"

namespace {

// The image of the small icon that suits size, tinted: null when any step
// fails.
HICON MakeArmedIcon(int size)
{
    HRSRC group = FindResourceA(g_instance, MAKEINTRESOURCEA(IDI_SMALL), RT_GROUP_ICON);
    HGLOBAL group_data = group ? LoadResource(g_instance, group) : nullptr;
    BYTE* directory = group_data ? (BYTE*)LockResource(group_data) : nullptr;
    int id = directory ? LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR)
                       : 0;
    HRSRC image = id ? FindResourceA(g_instance, MAKEINTRESOURCEA(id), RT_ICON) : nullptr;
    HGLOBAL image_data = image ? LoadResource(g_instance, image) : nullptr;
    const BYTE* bytes = image_data ? (const BYTE*)LockResource(image_data) : nullptr;
    DWORD length = image ? SizeofResource(g_instance, image) : 0;
    BYTE copy[16384];  // resources are read-only; a 48-pixel image takes 9,640
    if (!bytes || length == 0 || length > sizeof copy)
        return nullptr;
    CopyMemory(copy, bytes, length);
    if (!TintIconImageAmber(copy, length))
        return nullptr;
    return CreateIconFromResourceEx(copy, length, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

}  // namespace

HICON ArmedTrayIcon(int size)
{
    // Made once: the system frees it when the program ends.
    static HICON armed;
    if (!armed)
        armed = MakeArmedIcon(size);
    return armed ? armed : LoadIcon(g_instance, MAKEINTRESOURCE(IDI_SMALL));
}
