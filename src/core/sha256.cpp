#include "core/sha256.h"

#include <cstring>

namespace {

const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

uint32_t Rotate(uint32_t x, int n)
{
    return x >> n | x << (32 - n);
}

void Compress(uint32_t h[8], const uint8_t block[SHA256_BLOCK])
{
    uint32_t w[64];
    for (int i = 0; i < 16; i++)
        w[i] = (uint32_t)block[4 * i] << 24 | (uint32_t)block[4 * i + 1] << 16 |
               (uint32_t)block[4 * i + 2] << 8 | block[4 * i + 3];
    for (int i = 16; i < 64; i++) {
        uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ w[i - 15] >> 3;
        uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ w[i - 2] >> 10;
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; i++) {
        uint32_t t1 = k + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) +
                      K[i] + w[i];
        uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += k;
}

}  // namespace

void Sha256Start(Sha256* hash)
{
    static const uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    memcpy(hash->h, initial, sizeof initial);
    hash->used = 0;
    hash->total = 0;
}

void Sha256Add(Sha256* hash, const void* data, size_t length)
{
    const uint8_t* bytes = (const uint8_t*)data;
    hash->total += length;
    while (length > 0) {
        size_t take = SHA256_BLOCK - hash->used;
        if (take > length)
            take = length;
        memcpy(hash->block + hash->used, bytes, take);
        hash->used += take;
        bytes += take;
        length -= take;
        if (hash->used == SHA256_BLOCK) {
            Compress(hash->h, hash->block);
            hash->used = 0;
        }
    }
}

void Sha256Finish(Sha256* hash, uint8_t digest[SHA256_SIZE])
{
    uint64_t bits = hash->total * 8;
    static const uint8_t pad[SHA256_BLOCK] = {0x80};
    // The padding ends 8 bytes short of a block boundary, for the length.
    size_t padding = (hash->used < 56 ? 56 : 120) - hash->used;
    Sha256Add(hash, pad, padding);
    uint8_t length[8];
    for (int i = 0; i < 8; i++)
        length[i] = (uint8_t)(bits >> (56 - 8 * i));
    Sha256Add(hash, length, sizeof length);
    for (int i = 0; i < 8; i++)
        for (int j = 0; j < 4; j++)
            digest[4 * i + j] = (uint8_t)(hash->h[i] >> (24 - 8 * j));
}

void Sha256Of(const void* data, size_t length, uint8_t digest[SHA256_SIZE])
{
    Sha256 hash;
    Sha256Start(&hash);
    Sha256Add(&hash, data, length);
    Sha256Finish(&hash, digest);
}

namespace {

// The two hashes of an HMAC with their key pads already added, so that
// PBKDF2 pays for the pads once, not once per iteration.
struct Hmac {
    Sha256 inner, outer;
};

void HmacStart(Hmac* mac, const void* key, size_t key_length)
{
    uint8_t block[SHA256_BLOCK] = {};
    if (key_length > SHA256_BLOCK)
        Sha256Of(key, key_length, block);
    else
        memcpy(block, key, key_length);
    uint8_t pad[SHA256_BLOCK];
    for (size_t i = 0; i < SHA256_BLOCK; i++)
        pad[i] = block[i] ^ 0x36;
    Sha256Start(&mac->inner);
    Sha256Add(&mac->inner, pad, sizeof pad);
    for (size_t i = 0; i < SHA256_BLOCK; i++)
        pad[i] = block[i] ^ 0x5c;
    Sha256Start(&mac->outer);
    Sha256Add(&mac->outer, pad, sizeof pad);
}

// The HMAC of data with the started pair, which stays as it was.
void HmacOf(const Hmac& started, const void* data, size_t length, uint8_t out[SHA256_SIZE])
{
    Hmac mac = started;
    uint8_t inner[SHA256_SIZE];
    Sha256Add(&mac.inner, data, length);
    Sha256Finish(&mac.inner, inner);
    Sha256Add(&mac.outer, inner, sizeof inner);
    Sha256Finish(&mac.outer, out);
}

}  // namespace

void HmacSha256(const void* key, size_t key_length, const void* data, size_t length,
                uint8_t mac[SHA256_SIZE])
{
    Hmac started;
    HmacStart(&started, key, key_length);
    HmacOf(started, data, length, mac);
}

void Pbkdf2Sha256(const void* password, size_t password_length, const uint8_t* salt,
                  size_t salt_length, uint32_t iterations, uint8_t* key, size_t length)
{
    Hmac started;
    HmacStart(&started, password, password_length);
    for (uint32_t index = 1; length > 0; index++) {
        // U1 = HMAC(P, S || INT(i)), then Uj = HMAC(P, Uj-1); T is their XOR.
        Hmac first = started;
        uint8_t count[4] = {(uint8_t)(index >> 24), (uint8_t)(index >> 16), (uint8_t)(index >> 8),
                            (uint8_t)index};
        Sha256Add(&first.inner, salt, salt_length);
        uint8_t u[SHA256_SIZE], t[SHA256_SIZE];
        HmacOf(first, count, sizeof count, u);
        memcpy(t, u, sizeof t);
        for (uint32_t j = 1; j < iterations; j++) {
            HmacOf(started, u, sizeof u, u);
            for (size_t b = 0; b < SHA256_SIZE; b++)
                t[b] ^= u[b];
        }
        size_t take = length < SHA256_SIZE ? length : SHA256_SIZE;
        memcpy(key, t, take);
        key += take;
        length -= take;
    }
}
