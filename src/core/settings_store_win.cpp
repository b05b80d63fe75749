#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/owned.h"
#include "core/port.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "core/system_library.h"

// Value operations that fail leave the registry's result code as the
// thread's last error, so that DisplayLastError can show it; a key that
// cannot be opened or created leaves the last error as it was.

namespace {

bool WriteRegValue(HKEY root, const char* key, const char* name, const char* key_class, DWORD type,
                   const BYTE* data, DWORD size)
{
    OwnedKey handle;
    DWORD disposition;
    if (RegCreateKeyExA(root, key, 0, (LPSTR)key_class, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, handle.out(), &disposition) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(handle.get(), name, 0, type, data, size);
    if (result != ERROR_SUCCESS)
        SetLastError((DWORD)result);
    return result == ERROR_SUCCESS;
}

// Reads a value of the expected type into data (*size bytes, then the bytes
// read); anything else (missing, other type, larger) fails.
bool ReadRegValue(HKEY root, const char* key, const char* name, DWORD expected_type, BYTE* data,
                  DWORD* size)
{
    OwnedKey handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, handle.out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    LONG result = RegQueryValueExA(handle.get(), name, nullptr, &type, data, size);
    if (result != ERROR_SUCCESS) {
        SetLastError((DWORD)result);
        return false;
    }
    if (type != expected_type) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

struct RegistryLocation {
    HKEY root;
    const char* key;
};

// A SID with two sub-authorities, as the Administrators' is.
struct WellKnownSid {
    BYTE revision;
    BYTE count;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD sub_authority[2];
};

// Lets only SYSTEM and the Administrators at the key, with nothing passed
// on from its parent. Systems without key security (Windows 9x) fail the
// call; those without protected lists (before Windows 2000) keep inherited
// entries beside these.
bool RestrictToAdministrators(HKEY key)
{
    WellKnownSid system = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID}};
    WellKnownSid admins = {SID_REVISION, 2, SECURITY_NT_AUTHORITY,
                           {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
    DWORD acl_bytes[64];
    ACL* acl = (ACL*)acl_bytes;
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(acl, sizeof acl_bytes, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, (PSID)&system) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, (PSID)&admins) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
        return false;
    typedef BOOL(WINAPI * SetControl)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                      SECURITY_DESCRIPTOR_CONTROL);
    SetControl set_control =
        (SetControl)(void*)SystemFunction("advapi32.dll", "SetSecurityDescriptorControl");
    if (set_control)
        set_control(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    LONG result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    if (result != ERROR_SUCCESS)
        SetLastError((DWORD)result);
    return result == ERROR_SUCCESS;
}

bool IsServiceVerifier(const RegistryLocation* at, const char* name)
{
    return at->root == HKEY_LOCAL_MACHINE && strcmp(at->key, SERVICE_KEY) == 0 &&
           strcmp(name, VERIFIER_VALUE) == 0;
}

// The service's verifier goes to its own key, locked before the value is
// written; a copy an earlier version left beside the other values goes.
bool WriteServiceVerifier(const char* text)
{
    OwnedKey handle;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SERVICE_VERIFIER_KEY, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, WRITE_DAC, nullptr, handle.out(),
                        &disposition) == ERROR_SUCCESS &&
        !RestrictToAdministrators(handle.get()))
        WriteLog("The service's verifier key is not restricted to the Administrators (%lu)",
                 GetLastError());
    if (!WriteRegString(HKEY_LOCAL_MACHINE, SERVICE_VERIFIER_KEY, VERIFIER_VALUE, text))
        return false;
    DWORD last_error = GetLastError();
    DeleteRegValue(HKEY_LOCAL_MACHINE, SERVICE_KEY, VERIFIER_VALUE);
    SetLastError(last_error);
    return true;
}

SettingsStore RegistryStore(RegistryLocation* location)
{
    SettingsStore store;
    store.context = location;
    store.write_string = [](void* context, const char* name, const char* text) {
        RegistryLocation* at = (RegistryLocation*)context;
        if (IsServiceVerifier(at, name))
            return WriteServiceVerifier(text);
        return WriteRegString(at->root, at->key, name, text);
    };
    store.write_dword = [](void* context, const char* name, DWORD value) {
        RegistryLocation* at = (RegistryLocation*)context;
        return WriteRegDword(at->root, at->key, name, value);
    };
    store.read_string = [](void* context, const char* name, char* buffer, DWORD size) {
        RegistryLocation* at = (RegistryLocation*)context;
        // Settings saved by an earlier version hold it beside the others.
        if (IsServiceVerifier(at, name) &&
            ReadRegString(HKEY_LOCAL_MACHINE, SERVICE_VERIFIER_KEY, name, buffer, size))
            return true;
        return ReadRegString(at->root, at->key, name, buffer, size);
    };
    store.read_dword = [](void* context, const char* name, DWORD* value) {
        RegistryLocation* at = (RegistryLocation*)context;
        return ReadRegDword(at->root, at->key, name, value);
    };
    return store;
}

}  // namespace

bool WriteRegString(HKEY root, const char* key, const char* name, const char* text)
{
    return WriteRegValue(root, key, name, "REG_SZ", REG_SZ, (const BYTE*)text,
                         (DWORD)strlen(text) + 1);
}

bool WriteRegDword(HKEY root, const char* key, const char* name, DWORD value)
{
    return WriteRegValue(root, key, name, "REG_DWORD", REG_DWORD, (const BYTE*)&value,
                         sizeof value);
}

bool ReadRegString(HKEY root, const char* key, const char* name, char* buffer, DWORD size)
{
    // One spare byte: a stored string need not carry its terminator.
    DWORD read = size + 1;
    BYTE* data = (BYTE*)malloc(read);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    bool found = ReadRegValue(root, key, name, REG_SZ, data, &read);
    size_t len = found ? strnlen((const char*)data, read) : 0;
    if (found && len >= size) {
        SetLastError(ERROR_MORE_DATA);
        found = false;
    }
    if (found) {
        memcpy(buffer, data, len);
        buffer[len] = '\0';
    }
    free(data);
    return found;
}

bool ReadRegDword(HKEY root, const char* key, const char* name, DWORD* value)
{
    DWORD number = 0;
    DWORD read = sizeof number;
    if (!ReadRegValue(root, key, name, REG_DWORD, (BYTE*)&number, &read) || read != sizeof number)
        return false;
    *value = number;
    return true;
}

bool ReadRegShort(HKEY root, const char* key, const char* name, int16_t* value)
{
    DWORD number;
    if (!ReadRegDword(root, key, name, &number))
        return false;
    *value = (int16_t)(number & 0xFFFF);
    return true;
}

bool DeleteRegValue(HKEY root, const char* key, const char* name)
{
    OwnedKey handle;
    if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, handle.out()) != ERROR_SUCCESS)
        return false;
    LONG result = RegDeleteValueA(handle.get(), name);
    if (result != ERROR_SUCCESS)
        SetLastError((DWORD)result);
    return result == ERROR_SUCCESS;
}

bool DeleteRegKey(HKEY root, const char* key)
{
    // Windows NT deletes no key that has subkeys (the service's verifier
    // key, say): they go first.
    OwnedKey handle;
    if (RegOpenKeyExA(root, key, 0, KEY_ENUMERATE_SUB_KEYS, handle.out()) == ERROR_SUCCESS) {
        char sub[MAX_PATH];
        char path[2 * MAX_PATH];
        DWORD length = sizeof sub;
        while (RegEnumKeyExA(handle.get(), 0, sub, &length, nullptr, nullptr, nullptr, nullptr) ==
                   ERROR_SUCCESS &&
               snprintf(path, sizeof path, "%s\\%s", key, sub) < (int)sizeof path &&
               DeleteRegKey(root, path))
            length = sizeof sub;
    }
    LONG result = RegDeleteKeyA(root, key);
    if (result != ERROR_SUCCESS)
        SetLastError((DWORD)result);
    return result == ERROR_SUCCESS;
}

int SaveSettings(HKEY root, const char* key, AppState* state)
{
    WriteLog("SaveSettings start, base=%s", key);
    if (state->when == IDLE && strcmp(key, SERVICE_KEY) == 0) {
        // The service would only refuse them at its start.
        Error(state, nullptr, IDLE_IN_SERVICE);
        WriteLog("SaveSettings end, refused");
        return 0;
    }
    RegistryLocation location = {root, key};
    if (!SaveSettingsTo(RegistryStore(&location), state))
        return 0;
    WriteLog("SaveSettings end");
    return 1;
}

int ReadSettings(HKEY root, const char* key, AppState* state)
{
    WriteLog("ReadSettings start, base=%s", key);
    RegistryLocation location = {root, key};
    if (!ReadSettingsFrom(RegistryStore(&location), state))
        return 0;
    WriteLog("ReadSettings end");
    return 1;
}

void ReadStartupSettings(AppState* state)
{
    WriteLog("ReadStartupSettings start");
    if (state->run_as_service) {
        ReadSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state);
    } else {
        const RegistryLocation search_order[] = {
            {HKEY_CURRENT_USER, USER_KEY},
            {HKEY_LOCAL_MACHINE, USER_KEY},
            {HKEY_CURRENT_USER, OLD_KEY},
            {HKEY_LOCAL_MACHINE, OLD_KEY},
        };
        for (const RegistryLocation& location : search_order)
            if (ReadSettings(location.root, location.key, state))
                break;
    }
    // Reading left no port above 65535.
    TakePort(state->remote.port, &state->remote.port);
    TakePort(state->remote_control.port, &state->remote_control.port);
    WriteLog("ReadStartupSettings end");
}
