#include "core/remote_password.h"

#include <cstring>

#include "core/app_state.h"
#include "core/scram.h"
#include "core/text_helpers.h"

bool SetRemoteControlPassword(AppState* state, const char* password)
{
    char text[sizeof state->remote_control.verifier] = "";
    if (password[0]) {
        uint8_t salt[SCRAM_SALT_SIZE];
        if (!RandomBytes(salt, sizeof salt))
            return false;
        ScramVerifier verifier;
        MakeScramVerifier(password, salt, SCRAM_ITERATIONS, &verifier);
        ScramVerifierText(verifier, text, sizeof text);
    }
    memcpy(state->remote_control.verifier, text, sizeof text);
    state->remote_control.password[0] = '\0';
    return true;
}

bool HasRemoteControlPassword(const AppState* state)
{
    return state->remote_control.verifier[0] || state->remote_control.password[0];
}

bool HasOldEncodedPassword(const AppState* state)
{
    return !state->remote_control.verifier[0] && state->remote_control.password[0];
}

bool RemoteControlPasswordMatches(const AppState* state, const char* password)
{
    ScramVerifier verifier;
    if (state->remote_control.verifier[0])
        return ParseScramVerifier(state->remote_control.verifier, &verifier) &&
               ScramPasswordMatches(verifier, password);
    return strcmp(EncodePassword(password), state->remote_control.password) == 0;
}
