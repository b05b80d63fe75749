// Small text operations shared by the command line, the protocol and the
// settings: trimming, in-place replacement and the password encoding.
#pragma once
#include <cstddef>

// Strips leading and trailing spaces, tabs and line feeds in place.
char* TrimSpaces(char* text);

// Replaces every occurrence of find, left to right, in the buffer of the
// given size; replaced text is never scanned again. A replacement that would
// not fit in the buffer is not made. Returns 1 when anything was replaced.
int ReplaceSubstring(char* text, size_t size, const char* find, const char* replacement);

// The one-way encoding in which the remote-control password is held: 39
// characters for any non-empty text, empty for an empty one. The result
// lives in one process-wide buffer that the next call overwrites.
const char* EncodePassword(const char* text);
