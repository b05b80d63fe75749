// Comparing names while ignoring the case of ASCII letters: process names,
// program paths, words of the command line and of counter titles.
#pragma once
#include <cstddef>

bool EqualIgnoringCase(const char* a, const char* b);
// The same for the first count characters (fewer when a text ends first).
bool EqualIgnoringCaseN(const char* a, const char* b, size_t count);
