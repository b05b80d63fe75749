#include <gtest/gtest.h>

#include "core/app_state.h"
#include "remote/sockets.h"

TEST(Sockets, ErrorTexts)
{
    EXPECT_EQ(SocketErrorCount(), 73u);
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {10004, "Interrupted function call"},
        {10048, "Address already in use"},
        {10060, "Connection timed out"},
        {10071, "WSAEREMOTE"},
        {10093, "Successful WSAStartup not yet performed"},
        {10112, "WSAEREFUSED"},
        {11001, "Host not found"},
        {11015, "WSA_QOS_GENERIC_ERROR"},
        {0, "Unknown error"},
        {10072, "Unknown error"},
        {11016, "Unknown error"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(SocketErrorText(c.code), c.text) << c.code;

    char text[100];
    FormatSocketError(text, sizeof text, "connect", 10061);
    EXPECT_STREQ(text, "connect(): Connection refused (10061)");
}

TEST(Sockets, TheListeningSocketExistsOnlyForAServiceThatAllowsRemoteControl)
{
    struct Case {
        int service, allowed;
        bool listening;
        ListenChange change;
    } cases[] = {
        {1, 1, false, LISTEN_OPEN}, {1, 1, true, LISTEN_KEEP},   {0, 1, false, LISTEN_KEEP},
        {0, 1, true, LISTEN_KEEP},  {1, 0, true, LISTEN_CLOSE},  {0, 0, true, LISTEN_CLOSE},
        {1, 0, false, LISTEN_KEEP},
    };
    for (const Case& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        state.run_as_service = (Flag)c.service;
        state.options.allow_remote_control = (Flag)c.allowed;
        state.server_socket = c.listening ? 5 : INVALID_SOCKET;
        EXPECT_EQ(ListeningSocketChange(&state), c.change)
            << c.service << c.allowed << c.listening;
    }
}
