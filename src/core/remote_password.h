// The remote-control password as the server keeps it: the salted verifier
// of the challenge-response login (never the password, nor a form that logs
// in by itself). Settings written by older copies hold an encoded form
// instead, which keeps working until the password is set again.
#pragma once
#include <cstddef>
#include <cstdint>

struct AppState;

// Random bytes from the system; false when it has none to give.
bool RandomBytes(void* out, size_t length);

// Sets the password clients must give: its verifier with a new random salt,
// or none for an empty text. The old encoded form goes either way. False
// (nothing changed) when the system gives no random salt.
bool SetRemoteControlPassword(AppState* state, const char* password);
// Whether clients must give a password.
bool HasRemoteControlPassword(const AppState* state);
// Whether the settings still hold the encoded form of an older copy.
bool HasOldEncodedPassword(const AppState* state);
// Whether a password given in clear is the right one; with no password
// set, only an empty one is.
bool RemoteControlPasswordMatches(const AppState* state, const char* password);
