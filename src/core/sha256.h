// SHA-256 with HMAC and PBKDF2 on top: what the challenge-response login of
// remote control is built from. Plain code without the operating system, so
// that it is checked against the published test vectors on every platform.
#pragma once
#include <cstddef>
#include <cstdint>

const size_t SHA256_SIZE = 32;
const size_t SHA256_BLOCK = 64;

struct Sha256 {
    uint32_t h[8];
    uint8_t block[SHA256_BLOCK];
    size_t used;     // bytes in block
    uint64_t total;  // bytes hashed so far
};

void Sha256Start(Sha256* hash);
void Sha256Add(Sha256* hash, const void* data, size_t length);
void Sha256Finish(Sha256* hash, uint8_t digest[SHA256_SIZE]);
void Sha256Of(const void* data, size_t length, uint8_t digest[SHA256_SIZE]);

// HMAC-SHA-256 of data under key.
void HmacSha256(const void* key, size_t key_length, const void* data, size_t length,
                uint8_t mac[SHA256_SIZE]);

// PBKDF2 with HMAC-SHA-256: length bytes of key derived from the password
// and salt with the given iteration count (at least 1).
void Pbkdf2Sha256(const void* password, size_t password_length, const uint8_t* salt,
                  size_t salt_length, uint32_t iterations, uint8_t* key, size_t length);
