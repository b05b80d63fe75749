// Secrets never reach the diagnostic log: password values on the command
// line and in protocol lines are written as "********".
#pragma once
#include <cstddef>

extern const char* const LOG_MASK;  // "********"

// Where the secret of a protocol line starts: after "PASSWORD " (or right
// after the word when no space follows it), in any letter case; length
// (nothing to hide) when the line is no password line.
size_t PasswordValueStart(const char* line, size_t length);

// The line with its password value, if any, replaced by the mask.
void MaskPasswordLine(const char* line, char* out, size_t size);

// The command line with the argument of every "-remote_pswd" and
// "-password" option (quoted or not) replaced by the mask.
void MaskCommandLine(const char* text, char* out, size_t size);
