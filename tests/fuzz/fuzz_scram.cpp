// Arbitrary messages through both sides of the challenge-response login and
// the verifier's stored text. The first byte chooses what reads the rest:
// the server's reading of a client's first message (and, when that is
// answered, of a final one built from the same bytes), the client's reading
// of a server's first and final messages, or the stored verifier's text.
// Every message written must stay within its buffer and be terminated.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/scram.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz_scram: %s\n", what);
        abort();
    }
}

// A reply of `size` bytes filled with 'x' first: it must come back terminated.
void CheckTerminated(const char* text, size_t size, const char* what)
{
    Check(memchr(text, '\0', size) != nullptr, what);
}

const ScramVerifier& TestVerifier()
{
    // One iteration keeps each run fast; the count is read, not trusted.
    static ScramVerifier verifier;
    static bool made;
    if (!made) {
        const uint8_t salt[SCRAM_SALT_SIZE] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        MakeScramVerifier("pencil", salt, 1, &verifier);
        made = true;
    }
    return verifier;
}

// The iteration count a server's first message asks for, when it says one:
// a client refuses only above SCRAM_MOST_ITERATIONS, which would make a run
// of the fuzzer take seconds.
bool AsksForFewIterations(const char* message)
{
    const char* count = strstr(message, "i=");
    return !count || strtoul(count + 2, nullptr, 10) <= 64;
}

void ServerSide(const char* message)
{
    ScramServer exchange = {};
    char reply[SCRAM_MESSAGE_SIZE];
    memset(reply, 'x', sizeof reply);
    bool answered = ScramServerFirst(&exchange, TestVerifier(), message,
                                     "c2VydmVyIG5vbmNlIG9mIHRoZSBmdXp6ZXI=", reply, sizeof reply);
    CheckTerminated(reply, sizeof reply, "server first reply");
    if (answered)
        Check(strncmp(reply, "r=", 2) == 0, "server first form");
    // The same bytes as the final message, after the first or without it.
    memset(reply, 'x', sizeof reply);
    ScramResult result = ScramServerFinal(&exchange, TestVerifier(), message, reply, sizeof reply);
    CheckTerminated(reply, sizeof reply, "server final reply");
    Check(result != SCRAM_PROVEN || answered, "proven without a first message");
    Check(result != SCRAM_PROVEN || strncmp(reply, "v=", 2) == 0, "server final form");
    // The nonce is spent whatever the outcome.
    Check(ScramServerFinal(&exchange, TestVerifier(), message, reply, sizeof reply) != SCRAM_PROVEN,
          "nonce used twice");
}

void ClientSide(const char* message)
{
    if (!AsksForFewIterations(message))
        return;
    ScramClient exchange = {};
    char out[SCRAM_MESSAGE_SIZE];
    ScramClientFirst(&exchange, "haltall", "ZnV6eiBjbGllbnQgbm9uY2U=", out, sizeof out);
    memset(out, 'x', sizeof out);
    if (ScramClientFinal(&exchange, "pencil", message, out, sizeof out)) {
        CheckTerminated(out, sizeof out, "client final");
        Check(strncmp(out, "c=biws,r=ZnV6eiBjbGllbnQgbm9uY2U=", 33) == 0, "client final form");
    }
    ScramServerProven(exchange, message);
}

void VerifierText(const char* text)
{
    ScramVerifier verifier;
    if (!ParseScramVerifier(text, &verifier))
        return;
    // What is read back is written the same way.
    char again[SCRAM_VERIFIER_TEXT];
    ScramVerifierText(verifier, again, sizeof again);
    ScramVerifier reread;
    Check(ParseScramVerifier(again, &reread), "verifier text read back");
    Check(memcmp(&verifier, &reread, sizeof verifier) == 0, "verifier text round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 2 * SCRAM_MESSAGE_SIZE)
        return 0;
    char message[2 * SCRAM_MESSAGE_SIZE + 1];
    memcpy(message, data + 1, size - 1);
    message[size - 1] = '\0';
    switch (data[0] % 3) {
    case 0:
        ServerSide(message);
        break;
    case 1:
        ClientSide(message);
        break;
    default:
        VerifierText(message);
        break;
    }
    return 0;
}
