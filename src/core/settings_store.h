// The settings store: one flat set of registry values per location.
// The value table and the save/load walk are OS-free and work through a
// SettingsStore; settings_store_win.cpp binds it to the registry.
#pragma once
#include <cstdint>

#include "core/platform.h"

struct AppState;

// The single reads and writes of one location. A read returns false and
// leaves the buffer as it was when the value is missing, of the wrong type,
// or (for a string) longer than the buffer.
struct SettingsStore {
    void* context;
    bool (*write_string)(void* context, const char* name, const char* text);
    bool (*write_dword)(void* context, const char* name, DWORD value);
    bool (*read_string)(void* context, const char* name, char* buffer, DWORD size);
    bool (*read_dword)(void* context, const char* name, DWORD* value);
};

// Writes every value in table order; stops at the first failed write.
bool SaveSettingsTo(const SettingsStore& store, AppState* state);
// Reads "action" first (false, record unchanged, when it cannot be read),
// then every other value that is present.
bool ReadSettingsFrom(const SettingsStore& store, AppState* state);

inline constexpr char USER_KEY[] = "SOFTWARE\\Kevra\\Haltall";
inline constexpr char OLD_KEY[] = "SOFTWARE\\Haltall";
#define SERVICE_KEY_PATH "SYSTEM\\CurrentControlSet\\Services\\Haltall\\Parameters"
inline constexpr char SERVICE_KEY[] = SERVICE_KEY_PATH;
// The service's remote-control verifier, in a key only SYSTEM and the
// Administrators can open: it logs in nowhere, but a local user who read it
// could guess the password offline.
inline constexpr char SERVICE_VERIFIER_KEY[] = SERVICE_KEY_PATH "\\Verifier";
inline constexpr char VERIFIER_VALUE[] = "remote_control_verifier";

#ifdef _WIN32
int SaveSettings(HKEY root, const char* key, AppState* state);
int ReadSettings(HKEY root, const char* key, AppState* state);
void ReadStartupSettings(AppState* state);

bool WriteRegString(HKEY root, const char* key, const char* name, const char* text);
bool WriteRegDword(HKEY root, const char* key, const char* name, DWORD value);
bool ReadRegString(HKEY root, const char* key, const char* name, char* buffer, DWORD size);
bool ReadRegDword(HKEY root, const char* key, const char* name, DWORD* value);
bool ReadRegShort(HKEY root, const char* key, const char* name, int16_t* value);
bool DeleteRegValue(HKEY root, const char* key, const char* name);
bool DeleteRegKey(HKEY root, const char* key);
#endif
