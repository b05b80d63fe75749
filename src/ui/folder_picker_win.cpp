#include "ui/folder_picker.h"

#include <shlobj.h>

#include <cstring>

bool PickFolder(HWND owner, FolderPick kind, const char* title, char (&chosen)[MAX_PATH])
{
    chosen[0] = '\0';
    // The shell's allocator frees every item list it hands out.
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)))
        allocator = nullptr;
    LPITEMIDLIST root = nullptr;
    if (kind == PICK_COMPUTER && FAILED(SHGetSpecialFolderLocation(owner, CSIDL_NETWORK, &root)))
        root = nullptr;

    char name[MAX_PATH] = "";
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = root;
    browse.pszDisplayName = name;
    browse.lpszTitle = title;
    browse.ulFlags = kind == PICK_COMPUTER ? BIF_BROWSEFORCOMPUTER : BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    bool picked = false;
    if (item && kind == PICK_COMPUTER) {
        memcpy(chosen, name, sizeof chosen);  // the shell fills at most MAX_PATH
        chosen[MAX_PATH - 1] = '\0';
        picked = true;
    } else if (item) {
        picked = SHGetPathFromIDListA(item, chosen) != FALSE;
        if (!picked)
            chosen[0] = '\0';
    }
    if (allocator) {
        if (item)
            allocator->Free(item);
        if (root)
            allocator->Free(root);
        allocator->Release();
    }
    return picked;
}
