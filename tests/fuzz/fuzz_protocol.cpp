// Arbitrary bytes from a remote-control peer, through line assembly and
// every command, in blocks of at most 100 bytes as the server receives them.
// The first byte chooses the starting state. Every reply must be one
// well-formed line, and every text field must stay terminated.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/scram.h"
#include "remote/server_protocol.h"
#include "core/text_helpers.h"

namespace {

const SOCKET PEER = 7;

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz_protocol: %s\n", what);
        abort();
    }
}

// What the peer has received and not yet checked: every reply must be one
// well-formed line, whatever pieces the sends cut the stream into.
std::string stream;
size_t send_room;  // bytes a send takes; 0 would block

void CheckReplies()
{
    for (size_t end; (end = stream.find('\n')) != std::string::npos; stream.erase(0, end + 1)) {
        size_t line = end + 1;
        Check(line >= 6 && line <= REPLY_SIZE - 1, "reply length");
        Check(stream.compare(0, 4, "201 ") == 0 || stream.compare(0, 4, "250 ") == 0 ||
                  stream.compare(0, 4, "501 ") == 0,
              "reply code");
        Check(stream[line - 2] == '\r', "reply end");
    }
    Check(stream.size() < REPLY_SIZE, "reply without end");
}

long SendReplies(HWND, AppState*, const char* data, size_t length)
{
    Check(length > 0 && length <= OUTPUT_LIMIT, "queued length");
    size_t taken = length < send_room ? length : send_room;
    stream.append(data, taken);
    CheckReplies();
    return (long)taken;
}

void ClosePeer(HWND, AppState* state)
{
    state->client_socket = INVALID_SOCKET;
    state->authenticated = 0;
    ForgetPeer();
}

void SocketError(AppState*, const char*, int) {}
void Refresh(HWND, AppState*) {}
void StopTimer(HWND, AppState*) {}
int DoIt(HWND, AppState*) { return 0; }
void Now(SYSTEMTIME* now) { *now = {2024, 2, 4, 29, 23, 59, 59, 999}; }
DWORD ticks;
DWORD Ticks() { return ticks; }
void Hold(const ServerEffects&, HWND, AppState*, DWORD ms) { Check(ms >= 1 && ms <= 30000, "password delay"); }
void Warn(AppState*, const char*) {}

const ServerEffects effects = {SendReplies, ClosePeer, SocketError, Refresh,  StopTimer,    SanityCheck,
                               DoIt,    Now,       Ticks,       Hold,     Warn};

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
    CheckTerminated(s.remote_control.verifier, "remote_control.verifier");
    CheckTerminated(s.warning.message, "warning.message");
    CheckTerminated(s.warning.sound_file, "warning.sound_file");
    CheckTerminated(s.program.program, "program.program");
    CheckTerminated(s.program.directory, "program.directory");
    CheckTerminated(s.process.process, "process.process");
}

// The verifier of "pw", with one iteration to keep each run fast.
const char* PasswordVerifier()
{
    static char text[SCRAM_VERIFIER_TEXT];
    if (!text[0]) {
        const uint8_t salt[SCRAM_SALT_SIZE] = {};
        ScramVerifier verifier;
        MakeScramVerifier("pw", salt, 1, &verifier);
        ScramVerifierText(verifier, text, sizeof text);
    }
    return text;
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
    // Bit 1: a password, as a verifier (the login both ways) or, with bit 3,
    // in the encoded form of older copies.
    if (setup & 2) {
        if (setup & 8)
            snprintf(state.remote_control.password, sizeof state.remote_control.password, "%s",
                     EncodePassword("pw"));
        else
            snprintf(state.remote_control.verifier, sizeof state.remote_control.verifier, "%s",
                     PasswordVerifier());
    }
    state.active_timer = setup & 4 ? 1 : 0;
    ForgetPeer();
    stream.clear();
    // Bit 7 of the setup: a peer that reads slowly.
    send_room = setup & 0x80 ? 7 : (size_t)-1;

    const char* bytes = (const char*)data + 1;
    size_t left = size - 1;
    size_t block = 1 + (setup >> 3 & 0xf) * 6;
    while (left > 0) {
        size_t length = left < block ? left : block;
        // The server reads nothing while a wrong password's delay runs.
        while (HoldingCommands()) {
            ticks += 30000;
            ReleaseHeldCommands(effects, nullptr, &state);
        }
        ReceiveClientData(effects, nullptr, &state, bytes, length);
        CheckFields(state);
        if (state.client_socket == INVALID_SOCKET) {
            // The next peer connects.
            state.client_socket = PEER;
            state.authenticated = state.remote_control.password[0] == '\0';
            ForgetPeer();
            stream.clear();
        }
        bytes += length;
        left -= length;
    }
    return 0;
}
