// Comparing names while ignoring the case of ASCII letters: process names,
// program paths, words of the command line and of counter titles.
#pragma once
#include <cstddef>

bool EqualIgnoringCase(const char* a, const char* b);
// The same for the first count characters (fewer when a text ends first).
bool EqualIgnoringCaseN(const char* a, const char* b, size_t count);
// Below, at or above 0 as a sorts before, with or after b (letters of
// either case together, other bytes by their value).
int CompareIgnoringCase(const char* a, const char* b);
