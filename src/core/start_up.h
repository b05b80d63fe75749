// The program instance, set first thing at start-up.
#pragma once
#include "core/platform.h"

extern HINSTANCE g_instance;
