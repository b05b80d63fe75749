// The challenge-response login: RFC 7677's exchange, both sides, and what
// each side refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/scram.h"

namespace {

const char CLIENT_NONCE[] = "rOprNGfwEbeRWgbNEkqO";
const char SERVER_NONCE[] = "%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0";
const char CLIENT_FIRST[] = "n,,n=user,r=rOprNGfwEbeRWgbNEkqO";
const char SERVER_FIRST[] =
    "r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096";
const char CLIENT_FINAL[] =
    "c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
    "p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=";
const char SERVER_FINAL[] = "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=";

ScramVerifier PencilVerifier()
{
    uint8_t salt[SCRAM_SALT_SIZE];
    EXPECT_EQ(Base64Decode("W22ZaJ0SNY7soEsUEjb6gQ==", salt, sizeof salt), 16);
    ScramVerifier verifier;
    MakeScramVerifier("pencil", salt, 4096, &verifier);
    return verifier;
}

}  // namespace

TEST(Scram, TheExchangeOfRfc7677)
{
    ScramVerifier verifier = PencilVerifier();
    ScramClient client;
    char message[SCRAM_MESSAGE_SIZE];
    ScramClientFirst(&client, "user", CLIENT_NONCE, message, sizeof message);
    EXPECT_STREQ(message, CLIENT_FIRST);

    ScramServer server = {};
    char reply[SCRAM_MESSAGE_SIZE];
    ASSERT_TRUE(ScramServerFirst(&server, verifier, message, SERVER_NONCE, reply, sizeof reply));
    EXPECT_STREQ(reply, SERVER_FIRST);
    ASSERT_TRUE(ScramClientFinal(&client, "pencil", reply, message, sizeof message));
    EXPECT_STREQ(message, CLIENT_FINAL);
    EXPECT_EQ(ScramServerFinal(&server, verifier, message, reply, sizeof reply), SCRAM_PROVEN);
    EXPECT_STREQ(reply, SERVER_FINAL);
    EXPECT_TRUE(ScramServerProven(client, reply));
    EXPECT_FALSE(ScramServerProven(client, "v=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA="));

    // A replayed final message finds no exchange to finish.
    EXPECT_EQ(ScramServerFinal(&server, verifier, CLIENT_FINAL, reply, sizeof reply), SCRAM_MALFORMED);
    // Nor does it fit a new exchange, whose nonce differs.
    ASSERT_TRUE(ScramServerFirst(&server, verifier, CLIENT_FIRST, "other", reply, sizeof reply));
    EXPECT_EQ(ScramServerFinal(&server, verifier, CLIENT_FINAL, reply, sizeof reply), SCRAM_WRONG);
}

TEST(Scram, TheVerifierHoldsNoPasswordAndReadsBack)
{
    ScramVerifier verifier = PencilVerifier();
    char text[SCRAM_VERIFIER_TEXT];
    ScramVerifierText(verifier, text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("SCRAM-SHA-256$4096:W22ZaJ0SNY7soEsUEjb6gQ==$", 0), 0u) << text;
    ScramVerifier read;
    ASSERT_TRUE(ParseScramVerifier(text, &read));
    EXPECT_EQ(memcmp(&read, &verifier, sizeof read), 0);
    EXPECT_TRUE(ScramPasswordMatches(read, "pencil"));
    EXPECT_FALSE(ScramPasswordMatches(read, "Pencil"));
    EXPECT_FALSE(ScramPasswordMatches(read, ""));

    std::string good = text;
    for (const std::string& bad : {
             std::string(""), std::string("pencil"), good.substr(0, good.size() - 1),
             "SCRAM-SHA-1$" + good.substr(14), "SCRAM-SHA-256$0:" + good.substr(19),
             "SCRAM-SHA-256$x:" + good.substr(19), "SCRAM-SHA-256$999999999:" + good.substr(19),
             good + "A", good.substr(0, 19) + "AAAA" + good.substr(43)}) {
        EXPECT_FALSE(ParseScramVerifier(bad.c_str(), &read)) << bad;
    }
}

TEST(Scram, WhatEachSideRefuses)
{
    ScramVerifier verifier = PencilVerifier();
    char reply[SCRAM_MESSAGE_SIZE];
    for (const char* first : {"", "p=tls-unique,,n=user,r=abc", "n,,r=abc", "n,,n=user", "n,,n=user,r=",
                              "n,a=admin,n=user,r=abc", "n=user,r=abc"}) {
        ScramServer server = {};
        EXPECT_FALSE(ScramServerFirst(&server, verifier, first, SERVER_NONCE, reply, sizeof reply))
            << first;
        EXPECT_FALSE(server.started) << first;
    }
    std::string nonce = std::string(CLIENT_NONCE) + SERVER_NONCE;
    struct Case {
        std::string final_message;
        ScramResult result;
    } finals[] = {
        {CLIENT_FINAL, SCRAM_PROVEN},
        {"c=biws,r=" + nonce, SCRAM_MALFORMED},
        {"c=biws,r=" + nonce + ",p=", SCRAM_WRONG},
        {"c=biws,r=" + nonce + "x,p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=", SCRAM_WRONG},
        {"c=biws,r=" + nonce + ",p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVR=", SCRAM_WRONG},
        {"c=cD10bHMsLA==,r=" + nonce + ",p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=", SCRAM_MALFORMED},
        {std::string(CLIENT_FINAL) + ",x=1", SCRAM_MALFORMED},
        {"", SCRAM_MALFORMED},
    };
    for (const Case& c : finals) {
        ScramServer server = {};
        ASSERT_TRUE(ScramServerFirst(&server, verifier, CLIENT_FIRST, SERVER_NONCE, reply, sizeof reply));
        EXPECT_EQ(ScramServerFinal(&server, verifier, c.final_message.c_str(), reply, sizeof reply),
                  c.result)
            << c.final_message;
    }
    for (const char* first : {"r=abc,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096",  // not our nonce
                              "r=rOprNGfwEbeRWgbNEkqO,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096",  // nothing added
                              "r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=1000000",
                              "r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=0",
                              "r=rOprNGfwEbeRWgbNEkqOx,s=***,i=4096", "r=rOprNGfwEbeRWgbNEkqOx,i=4096",
                              "501 Invalid command"}) {
        ScramClient client;
        ScramClientFirst(&client, "user", CLIENT_NONCE, reply, sizeof reply);
        EXPECT_FALSE(ScramClientFinal(&client, "pencil", first, reply, sizeof reply)) << first;
    }
}

TEST(Scram, Base64)
{
    struct Case {
        const char* bytes;
        const char* text;
    } cases[] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const Case& c : cases) {
        char text[16];
        ASSERT_TRUE(Base64Encode((const uint8_t*)c.bytes, strlen(c.bytes), text, sizeof text));
        EXPECT_STREQ(text, c.text);
        uint8_t bytes[16];
        EXPECT_EQ(Base64Decode(c.text, bytes, sizeof bytes), (long)strlen(c.bytes)) << c.text;
        EXPECT_EQ(memcmp(bytes, c.bytes, strlen(c.bytes)), 0) << c.text;
    }
    uint8_t bytes[4];
    for (const char* bad : {"Zg=", "Z===", "Zh==", "Zg==Zg==", "Zm9v!A==", "Zm9vYmFy"})  // last: no room
        EXPECT_EQ(Base64Decode(bad, bytes, sizeof bytes), -1) << bad;
    char small[4];
    EXPECT_FALSE(Base64Encode((const uint8_t*)"f", 1, small, sizeof small));
}
