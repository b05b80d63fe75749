// The challenge-response login of remote control: SCRAM-SHA-256 (RFC 5802
// with RFC 7677), without channel binding. The server keeps only the
// verifier (salt, iteration count, StoredKey, ServerKey), from which the
// password cannot be read back and which does not log in by itself; the
// password never crosses the wire, and each exchange has a nonce of its own.
// The messages are built and read here; the random nonces and salts come
// from the caller.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/sha256.h"

const uint32_t SCRAM_ITERATIONS = 4096;        // what new verifiers use
const uint32_t SCRAM_MOST_ITERATIONS = 100000;  // a client refuses more: a server could stall it
const size_t SCRAM_SALT_SIZE = 16;
const size_t SCRAM_NONCE_SIZE = 24;          // random bytes of each side's nonce, before base64
const size_t SCRAM_VERIFIER_TEXT = 160;      // "SCRAM-SHA-256$4096:<salt>$<StoredKey>:<ServerKey>"
const size_t SCRAM_MESSAGE_SIZE = 300;       // the longest message either side sends

struct ScramVerifier {
    uint32_t iterations;
    uint8_t salt[SCRAM_SALT_SIZE];
    uint8_t stored_key[SHA256_SIZE];
    uint8_t server_key[SHA256_SIZE];
};

// Base64 (RFC 4648, with padding): the text of the bytes; false when it
// does not fit.
bool Base64Encode(const uint8_t* bytes, size_t length, char* out, size_t size);
// The bytes of base64 text: their count, or -1 when the text is not base64
// or they do not fit.
long Base64Decode(const char* text, uint8_t* out, size_t size);

// The verifier of a password with the given salt and iteration count.
void MakeScramVerifier(const char* password, const uint8_t salt[SCRAM_SALT_SIZE],
                       uint32_t iterations, ScramVerifier* verifier);
// The verifier in the text form of RFC 5803, as the settings hold it.
void ScramVerifierText(const ScramVerifier& verifier, char* out, size_t size);
// Reads that text form: false when it is none.
bool ParseScramVerifier(const char* text, ScramVerifier* verifier);
// Whether a password given in clear belongs to the verifier.
bool ScramPasswordMatches(const ScramVerifier& verifier, const char* password);

// One exchange on the server's side.
struct ScramServer {
    bool started;  // the first message was answered, the final one not yet
    char nonce[2 * SCRAM_MESSAGE_SIZE];
    char auth_message[3 * SCRAM_MESSAGE_SIZE];  // client-first-bare "," server-first ","
};

// Answers the client's first message ("n,,n=user,r=nonce") with the
// server's first ("r=nonce+server_nonce,s=salt,i=count") in reply: false
// when the message is malformed (reply holds the reason then).
bool ScramServerFirst(ScramServer* exchange, const ScramVerifier& verifier, const char* client_first,
                      const char* server_nonce, char* reply, size_t size);
enum ScramResult { SCRAM_MALFORMED = -1, SCRAM_WRONG = 0, SCRAM_PROVEN = 1 };
// Checks the client's final message ("c=biws,r=nonce,p=proof"): SCRAM_PROVEN
// with the server's final message ("v=signature") in reply; SCRAM_WRONG when
// the proof does not hold; SCRAM_MALFORMED with the reason in reply. The
// exchange ends either way: its nonce is never good again.
ScramResult ScramServerFinal(ScramServer* exchange, const ScramVerifier& verifier,
                             const char* client_final, char* reply, size_t size);

// One exchange on the client's side.
struct ScramClient {
    char first_bare[SCRAM_MESSAGE_SIZE];
    uint8_t server_signature[SHA256_SIZE];
};

// The client's first message with the given user name and nonce (both
// printable, without commas or equal signs).
void ScramClientFirst(ScramClient* exchange, const char* user, const char* client_nonce, char* out,
                      size_t size);
// The client's final message for the server's first: false when that is
// malformed, does not continue the client's nonce, or asks for more than
// SCRAM_MOST_ITERATIONS.
bool ScramClientFinal(ScramClient* exchange, const char* password, const char* server_first,
                      char* out, size_t size);
// Whether the server's final message proves that it knows the verifier.
bool ScramServerProven(const ScramClient& exchange, const char* server_final);
