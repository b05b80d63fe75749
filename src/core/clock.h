// Current local date and time, the one clock every part of the program reads.
#pragma once
#include "core/platform.h"

void GetLocalNow(SYSTEMTIME* now);
