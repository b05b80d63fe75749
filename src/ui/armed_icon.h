// The tray's icon while an action is armed: the program's icon with its red
// turned amber, made from the program's own icon images, so it needs no
// resource of its own and has every size the program icon has.
#pragma once
#include <cstddef>

#include "core/platform.h"

// Turns the red of one icon image (a DIB as icon resources store it: the
// header, a palette for up to 8 bits per pixel, the pixels, the mask) amber;
// white and grey stay. False, the image unchanged, for what it cannot read.
bool TintIconImageAmber(unsigned char* image, size_t size);

#ifdef _WIN32
// The armed icon at size x size pixels, made once; the program's small icon
// when it cannot be made. It lives as long as the program.
HICON ArmedTrayIcon(int size);
#endif
