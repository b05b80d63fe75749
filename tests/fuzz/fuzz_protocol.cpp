// Arbitrary bytes from a remote-control peer, through line assembly and
// every command, in blocks of at most 100 bytes as the server receives them.
// The first byte chooses the starting state. Every reply must be one
// well-formed line, and every text field must stay terminated.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "remote/client_protocol.h"
#include "remote/server_protocol.h"
#include "remote/text_helpers.h"

namespace {

const SOCKET PEER = 7;

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz_protocol: %s\n", what);
        abort();
    }
}

int SendReply(HWND, AppState*, const char* data, size_t length)
{
    Check(length >= 6 && length <= REPLY_SIZE - 1, "reply length");
    Check(memcmp(data, "201 ", 4) == 0 || memcmp(data, "250 ", 4) == 0 ||
              memcmp(data, "501 ", 4) == 0,
          "reply code");
    Check(data[length - 2] == '\r' && data[length - 1] == '\n', "reply end");
    return 0;
}

void ClosePeer(HWND, AppState* state)
{
    state->client_socket = INVALID_SOCKET;
    state->authenticated = 0;
}

void SocketError(AppState*, const char*, int) {}
void Refresh(HWND, AppState*) {}
void StopTimer(HWND, AppState*) {}
int DoIt(HWND, AppState*) { return 0; }
void Now(SYSTEMTIME* now) { *now = {2024, 2, 4, 29, 23, 59, 59, 999}; }

const ServerEffects effects = {SendReply, ClosePeer, SocketError, Refresh,
                               StopTimer, SanityCheck, DoIt,      Now};

template <size_t N> void CheckTerminated(const char (&field)[N], const char* name)
{
    Check(memchr(field, '\0', N) != nullptr, name);
}

void CheckFields(const AppState& s)
{
    CheckTerminated(s.remote.computer_name, "remote.computer_name");
    CheckTerminated(s.remote.mac_address, "remote.mac_address");
    CheckTerminated(s.remote.ip_address, "remote.ip_address");
    CheckTerminated(s.remote.subnet_mask, "remote.subnet_mask");
    CheckTerminated(s.remote_control.password, "remote_control.password");
    CheckTerminated(s.warning.message, "warning.message");
    CheckTerminated(s.warning.sound_file, "warning.sound_file");
    CheckTerminated(s.program.program, "program.program");
    CheckTerminated(s.program.directory, "program.directory");
    CheckTerminated(s.process.process, "process.process");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static AppState state;
    SetDefaultSettings(&state);
    uint8_t setup = data[0];
    state.client_socket = PEER;
    state.authenticated = setup & 1;
    if (setup & 2)
        snprintf(state.remote_control.password, sizeof state.remote_control.password, "%s",
                 EncodePassword("pw"));
    state.active_timer = setup & 4 ? 1 : 0;
    ClearPendingCommand();

    const char* bytes = (const char*)data + 1;
    size_t left = size - 1;
    size_t block = 1 + (setup >> 3) % 100;
    while (left > 0) {
        size_t length = left < block ? left : block;
        ReceiveClientData(effects, nullptr, &state, bytes, length);
        CheckFields(state);
        if (state.client_socket == INVALID_SOCKET) {
            // The next peer connects.
            state.client_socket = PEER;
            state.authenticated = state.remote_control.password[0] == '\0';
            ClearPendingCommand();
        }
        bytes += length;
        left -= length;
    }

    // The same bytes as a reply that the client reads.
    char reply[CLIENT_LINE_SIZE + 1];
    size_t length = size - 1 < CLIENT_LINE_SIZE ? size - 1 : CLIENT_LINE_SIZE;
    memcpy(reply, data + 1, length);
    reply[length] = '\0';
    char message[MESSAGE_SIZE];
    const char* text = nullptr;
    int result = ReadReply(reply, message, &text);
    Check(result == 0 || result == -2, "reply result");
    Check(result == 0 || memchr(message, '\0', sizeof message) != nullptr, "reply message");
    Check(VersionNumber(text) >= 0, "version number");
    return 0;
}
