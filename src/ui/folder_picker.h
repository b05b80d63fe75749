// The shell's folder browser, the one way the dialogs pick a folder or a
// computer on the network.
#pragma once
#include "core/platform.h"

#ifdef _WIN32
enum FolderPick { PICK_FOLDER, PICK_COMPUTER };

// True with the choice in chosen: the full path of a folder, or the name of
// a computer. False, with chosen empty, when the user cancelled or a
// folder has no path.
bool PickFolder(HWND owner, FolderPick kind, const char* title, char (&chosen)[MAX_PATH]);
#endif
