// The one rule for a TCP port wherever it is taken in (command line,
// dialogs, registry, group file): 0 or less stands for the default port
// 3210, above 65535 is refused rather than wrapped onto another port.
#pragma once
#include <cstdint>

const int32_t MAX_PORT = 65535;

// False (port untouched) when value is above 65535; else *port is the
// value, or 3210 for 0 or less.
bool TakePort(long long value, int32_t* port);
// The same for text read like a decimal number: leading blanks and a sign,
// then the digits up to the first other character; no digits reads as 0.
bool TakePortText(const char* text, int32_t* port);
