#include "core/scram.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char verifier_prefix[] = "SCRAM-SHA-256$";

int Base64Value(char c)
{
    const char* at = c ? strchr(alphabet, c) : nullptr;
    return at ? (int)(at - alphabet) : -1;
}

// Whether two byte strings are equal, in a time that does not tell where
// they differ.
bool SameBytes(const uint8_t* a, const uint8_t* b, size_t length)
{
    uint8_t difference = 0;
    for (size_t i = 0; i < length; i++)
        difference |= (uint8_t)(a[i] ^ b[i]);
    return difference == 0;
}

// The value of the attribute "name=" at *text, up to the next comma, into
// value: false when the attribute there has another name or the value does
// not fit. *text moves past its comma.
bool TakeAttribute(const char** text, char name, char* value, size_t size)
{
    const char* p = *text;
    if (p[0] != name || p[1] != '=')
        return false;
    p += 2;
    size_t length = strcspn(p, ",");
    if (length >= size)
        return false;
    memcpy(value, p, length);
    value[length] = '\0';
    *text = p[length] == ',' ? p + length + 1 : p + length;
    return true;
}

// ClientKey, StoredKey and ServerKey of a password.
void Keys(const char* password, const uint8_t* salt, size_t salt_length, uint32_t iterations,
          uint8_t client_key[SHA256_SIZE], uint8_t stored_key[SHA256_SIZE],
          uint8_t server_key[SHA256_SIZE])
{
    uint8_t salted[SHA256_SIZE];
    Pbkdf2Sha256(password, strlen(password), salt, salt_length, iterations, salted, sizeof salted);
    HmacSha256(salted, sizeof salted, "Client Key", 10, client_key);
    Sha256Of(client_key, SHA256_SIZE, stored_key);
    HmacSha256(salted, sizeof salted, "Server Key", 10, server_key);
}

bool Fail(char* reply, size_t size, const char* reason)
{
    snprintf(reply, size, "%s", reason);
    return false;
}

}  // namespace

bool Base64Encode(const uint8_t* bytes, size_t length, char* out, size_t size)
{
    if ((length + 2) / 3 * 4 + 1 > size)
        return false;
    size_t used = 0;
    for (size_t i = 0; i < length; i += 3) {
        uint32_t group = (uint32_t)bytes[i] << 16;
        if (i + 1 < length)
            group |= (uint32_t)bytes[i + 1] << 8;
        if (i + 2 < length)
            group |= bytes[i + 2];
        out[used++] = alphabet[group >> 18 & 63];
        out[used++] = alphabet[group >> 12 & 63];
        out[used++] = i + 1 < length ? alphabet[group >> 6 & 63] : '=';
        out[used++] = i + 2 < length ? alphabet[group & 63] : '=';
    }
    out[used] = '\0';
    return true;
}

long Base64Decode(const char* text, uint8_t* out, size_t size)
{
    size_t length = strlen(text);
    if (length % 4 != 0)
        return -1;
    size_t used = 0;
    for (size_t i = 0; i < length; i += 4) {
        int padding = text[i + 3] == '=' ? text[i + 2] == '=' ? 2 : 1 : 0;
        if (padding > 0 && i + 4 != length)
            return -1;  // padding only at the end
        uint32_t group = 0;
        for (int j = 0; j < 4; j++) {
            int value = j >= 4 - padding ? 0 : Base64Value(text[i + j]);
            if (value < 0)
                return -1;
            group = group << 6 | (uint32_t)value;
        }
        if (group & ((1u << (8 * padding)) - 1))
            return -1;  // only the canonical text of the bytes
        for (int j = 0; j < 3 - padding; j++) {
            if (used >= size)
                return -1;
            out[used++] = (uint8_t)(group >> (16 - 8 * j));
        }
    }
    return (long)used;
}

void MakeScramVerifier(const char* password, const uint8_t salt[SCRAM_SALT_SIZE],
                       uint32_t iterations, ScramVerifier* verifier)
{
    uint8_t client_key[SHA256_SIZE];
    verifier->iterations = iterations;
    memcpy(verifier->salt, salt, SCRAM_SALT_SIZE);
    Keys(password, salt, SCRAM_SALT_SIZE, iterations, client_key, verifier->stored_key,
         verifier->server_key);
}

void ScramVerifierText(const ScramVerifier& verifier, char* out, size_t size)
{
    char salt[32], stored[48], server[48];
    Base64Encode(verifier.salt, sizeof verifier.salt, salt, sizeof salt);
    Base64Encode(verifier.stored_key, sizeof verifier.stored_key, stored, sizeof stored);
    Base64Encode(verifier.server_key, sizeof verifier.server_key, server, sizeof server);
    snprintf(out, size, "%s%lu:%s$%s:%s", verifier_prefix, (unsigned long)verifier.iterations, salt,
             stored, server);
}

bool ParseScramVerifier(const char* text, ScramVerifier* verifier)
{
    size_t prefix = strlen(verifier_prefix);
    if (strncmp(text, verifier_prefix, prefix) != 0)
        return false;
    char copy[SCRAM_VERIFIER_TEXT];
    if (snprintf(copy, sizeof copy, "%s", text + prefix) >= (int)sizeof copy)
        return false;
    char* salt = strchr(copy, ':');
    char* stored = salt ? strchr(salt, '$') : nullptr;
    char* server = stored ? strchr(stored, ':') : nullptr;
    if (!server)
        return false;
    *salt++ = *stored++ = *server++ = '\0';
    char* end;
    unsigned long iterations = strtoul(copy, &end, 10);
    return copy[0] >= '0' && copy[0] <= '9' && *end == '\0' && iterations >= 1 &&
           iterations <= SCRAM_MOST_ITERATIONS &&
           Base64Decode(salt, verifier->salt, sizeof verifier->salt) == (long)SCRAM_SALT_SIZE &&
           Base64Decode(stored, verifier->stored_key, sizeof verifier->stored_key) == (long)SHA256_SIZE &&
           Base64Decode(server, verifier->server_key, sizeof verifier->server_key) == (long)SHA256_SIZE &&
           (verifier->iterations = (uint32_t)iterations) != 0;
}

bool ScramPasswordMatches(const ScramVerifier& verifier, const char* password)
{
    uint8_t client_key[SHA256_SIZE], stored_key[SHA256_SIZE], server_key[SHA256_SIZE];
    Keys(password, verifier.salt, sizeof verifier.salt, verifier.iterations, client_key, stored_key,
         server_key);
    return SameBytes(stored_key, verifier.stored_key, SHA256_SIZE);
}

bool ScramServerFirst(ScramServer* exchange, const ScramVerifier& verifier, const char* client_first,
                      const char* server_nonce, char* reply, size_t size)
{
    exchange->started = false;
    // Without channel binding: "n,," (or "y,," from a client that could
    // bind but thinks the server cannot), and no authorization identity.
    if (strncmp(client_first, "n,,", 3) != 0 && strncmp(client_first, "y,,", 3) != 0)
        return Fail(reply, size, "Channel binding is not supported");
    const char* bare = client_first + 3;
    const char* p = bare;
    char user[SCRAM_MESSAGE_SIZE], nonce[SCRAM_MESSAGE_SIZE];
    if (!TakeAttribute(&p, 'n', user, sizeof user) || !TakeAttribute(&p, 'r', nonce, sizeof nonce) ||
        !nonce[0])
        return Fail(reply, size, "Invalid first message");
    char salt[32];
    Base64Encode(verifier.salt, sizeof verifier.salt, salt, sizeof salt);
    int length = snprintf(reply, size, "r=%s%s,s=%s,i=%lu", nonce, server_nonce, salt,
                          (unsigned long)verifier.iterations);
    if (length < 0 || (size_t)length >= size ||
        snprintf(exchange->nonce, sizeof exchange->nonce, "%s%s", nonce, server_nonce) >=
            (int)sizeof exchange->nonce ||
        snprintf(exchange->auth_message, sizeof exchange->auth_message, "%s,%s", bare, reply) >=
            (int)sizeof exchange->auth_message)
        return Fail(reply, size, "Invalid first message");
    exchange->started = true;
    return true;
}

ScramResult ScramServerFinal(ScramServer* exchange, const ScramVerifier& verifier,
                             const char* client_final, char* reply, size_t size)
{
    bool started = exchange->started;
    exchange->started = false;
    if (!started) {
        Fail(reply, size, "No exchange started");
        return SCRAM_MALFORMED;
    }
    const char* p = client_final;
    char binding[16], nonce[2 * SCRAM_MESSAGE_SIZE], proof_text[64];
    bool read = TakeAttribute(&p, 'c', binding, sizeof binding) &&
                TakeAttribute(&p, 'r', nonce, sizeof nonce);
    size_t without_proof = (size_t)(p - client_final);
    if (!read || !TakeAttribute(&p, 'p', proof_text, sizeof proof_text) || *p ||
        (strcmp(binding, "biws") != 0 && strcmp(binding, "eSws") != 0) || without_proof < 1) {
        Fail(reply, size, "Invalid final message");
        return SCRAM_MALFORMED;
    }
    uint8_t proof[SHA256_SIZE];
    if (strcmp(nonce, exchange->nonce) != 0 ||
        Base64Decode(proof_text, proof, sizeof proof) != (long)SHA256_SIZE)
        return SCRAM_WRONG;
    char auth[sizeof exchange->auth_message + SCRAM_MESSAGE_SIZE];
    snprintf(auth, sizeof auth, "%s,%.*s", exchange->auth_message, (int)(without_proof - 1),
             client_final);
    uint8_t signature[SHA256_SIZE], client_key[SHA256_SIZE], stored_key[SHA256_SIZE];
    HmacSha256(verifier.stored_key, SHA256_SIZE, auth, strlen(auth), signature);
    for (size_t i = 0; i < SHA256_SIZE; i++)
        client_key[i] = proof[i] ^ signature[i];
    Sha256Of(client_key, sizeof client_key, stored_key);
    if (!SameBytes(stored_key, verifier.stored_key, SHA256_SIZE))
        return SCRAM_WRONG;
    uint8_t server_signature[SHA256_SIZE];
    HmacSha256(verifier.server_key, SHA256_SIZE, auth, strlen(auth), server_signature);
    char text[48];
    Base64Encode(server_signature, sizeof server_signature, text, sizeof text);
    snprintf(reply, size, "v=%s", text);
    return SCRAM_PROVEN;
}

void ScramClientFirst(ScramClient* exchange, const char* user, const char* client_nonce, char* out,
                      size_t size)
{
    snprintf(exchange->first_bare, sizeof exchange->first_bare, "n=%s,r=%s", user, client_nonce);
    snprintf(out, size, "n,,%s", exchange->first_bare);
}

bool ScramClientFinal(ScramClient* exchange, const char* password, const char* server_first,
                      char* out, size_t size)
{
    const char* p = server_first;
    char nonce[2 * SCRAM_MESSAGE_SIZE], salt_text[SCRAM_MESSAGE_SIZE], count[16];
    if (!TakeAttribute(&p, 'r', nonce, sizeof nonce) || !TakeAttribute(&p, 's', salt_text, sizeof salt_text) ||
        !TakeAttribute(&p, 'i', count, sizeof count))
        return false;
    // The server's nonce continues the client's own.
    const char* own = strstr(exchange->first_bare, ",r=") + 3;
    if (strncmp(nonce, own, strlen(own)) != 0 || strlen(nonce) <= strlen(own))
        return false;
    uint8_t salt[SCRAM_MESSAGE_SIZE];
    long salt_length = Base64Decode(salt_text, salt, sizeof salt);
    char* end;
    unsigned long iterations = strtoul(count, &end, 10);
    if (salt_length <= 0 || count[0] < '0' || count[0] > '9' || *end || iterations < 1 ||
        iterations > SCRAM_MOST_ITERATIONS)
        return false;

    uint8_t client_key[SHA256_SIZE], stored_key[SHA256_SIZE], server_key[SHA256_SIZE];
    Keys(password, salt, (size_t)salt_length, (uint32_t)iterations, client_key, stored_key, server_key);
    char without_proof[sizeof nonce + 16];
    snprintf(without_proof, sizeof without_proof, "c=biws,r=%s", nonce);
    char auth[4 * SCRAM_MESSAGE_SIZE];
    int length = snprintf(auth, sizeof auth, "%s,%s,%s", exchange->first_bare, server_first,
                          without_proof);
    if (length < 0 || (size_t)length >= sizeof auth)
        return false;
    uint8_t signature[SHA256_SIZE], proof[SHA256_SIZE];
    HmacSha256(stored_key, sizeof stored_key, auth, (size_t)length, signature);
    for (size_t i = 0; i < SHA256_SIZE; i++)
        proof[i] = client_key[i] ^ signature[i];
    HmacSha256(server_key, sizeof server_key, auth, (size_t)length, exchange->server_signature);
    char proof_text[48];
    Base64Encode(proof, sizeof proof, proof_text, sizeof proof_text);
    length = snprintf(out, size, "%s,p=%s", without_proof, proof_text);
    return length > 0 && (size_t)length < size;
}

bool ScramServerProven(const ScramClient& exchange, const char* server_final)
{
    uint8_t signature[SHA256_SIZE];
    return strncmp(server_final, "v=", 2) == 0 &&
           Base64Decode(server_final + 2, signature, sizeof signature) == (long)SHA256_SIZE &&
           SameBytes(signature, exchange.server_signature, SHA256_SIZE);
}
