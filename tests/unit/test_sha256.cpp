// SHA-256, HMAC-SHA-256 and PBKDF2-HMAC-SHA-256 against their published
// test vectors (FIPS 180 examples, RFC 4231, RFC 7914).
#include <gtest/gtest.h>

#include <string>

#include "core/sha256.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < length; i++) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}  // namespace

TEST(Sha256, Vectors)
{
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        uint8_t digest[SHA256_SIZE];
        Sha256Of(c.message.data(), c.message.size(), digest);
        EXPECT_EQ(Hex(digest, sizeof digest), c.digest) << c.message.size();
        // Fed in uneven pieces, across the padding's boundaries.
        Sha256 hash;
        Sha256Start(&hash);
        for (size_t at = 0, piece = 1; at < c.message.size(); at += piece, piece = piece * 3 % 127 + 1)
            Sha256Add(&hash, c.message.data() + at, std::min(piece, c.message.size() - at));
        Sha256Finish(&hash, digest);
        EXPECT_EQ(Hex(digest, sizeof digest), c.digest) << c.message.size();
    }
}

TEST(Sha256, HmacVectors)
{
    struct Case {
        std::string key, data;
        const char* mac;
    } cases[] = {
        {std::string(20, '\x0b'), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {std::string(131, '\xaa'),
         "This is a test using a larger than block-size key and a larger than block-size data. "
         "The key needs to be hashed before being used by the HMAC algorithm.",
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
    for (const Case& c : cases) {
        uint8_t mac[SHA256_SIZE];
        HmacSha256(c.key.data(), c.key.size(), c.data.data(), c.data.size(), mac);
        EXPECT_EQ(Hex(mac, sizeof mac), c.mac) << c.data;
    }
}

TEST(Sha256, Pbkdf2Vectors)
{
    struct Case {
        const char* password;
        const char* salt;
        uint32_t iterations;
        const char* key;
    } cases[] = {
        {"passwd", "salt", 1,
         "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
         "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        {"Password", "NaCl", 80000,
         "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
         "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
    };
    for (const Case& c : cases) {
        uint8_t key[64];
        Pbkdf2Sha256(c.password, strlen(c.password), (const uint8_t*)c.salt, strlen(c.salt),
                     c.iterations, key, sizeof key);
        EXPECT_EQ(Hex(key, sizeof key), c.key) << c.password;
    }
}
