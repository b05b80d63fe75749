// The client's connection to a remote copy with real sockets on 127.0.0.1.
#include <gtest/gtest.h>
#include <winsock.h>

#include <thread>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "remote/client_protocol.h"
#include "remote/sockets.h"
#include "scratch_log.h"

namespace {

// A listening socket on 127.0.0.1 with a port of the system's choice.
struct Listener {
    SOCKET socket;
    int port;

    Listener()
    {
        InitializeSockets();
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        bind(socket, (sockaddr*)&address, sizeof address);
        listen(socket, 1);
        int length = sizeof address;
        getsockname(socket, (sockaddr*)&address, &length);
        port = ntohs(address.sin_port);
    }
    ~Listener()
    {
        closesocket(socket);
        WSACleanup();
    }
};

struct ShortTimeout {
    DWORD previous = g_reply_timeout_ms;
    ShortTimeout() { g_reply_timeout_ms = 300; }
    ~ShortTimeout() { g_reply_timeout_ms = previous; }
};

AppState ClientOf(const Listener& server)
{
    AppState state;
    InitSettings(&state);
    state.quiet = 1;
    state.who = REMOTE_COMPUTER;
    snprintf(state.remote.computer_name, sizeof state.remote.computer_name, "127.0.0.1");
    state.remote.port = server.port;
    return state;
}

}  // namespace

TEST(ClientConnection, ASilentServerIsATransportFailureAfterTheTimeout)
{
    ScratchLog log;
    ShortTimeout timeout;
    Listener server;  // connections wait in its backlog and never hear a word
    AppState state = ClientOf(server);
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(SendRemoteCommand(nullptr, &state, message), -1);
    EXPECT_EQ(state.client_socket, INVALID_SOCKET);
    EXPECT_TRUE(log.Logged("ERROR: recv(): Connection timed out (10060)"));
}

TEST(ClientConnection, AServerThatFallsSilentAfterItsWelcome)
{
    ScratchLog log;
    ShortTimeout timeout;
    Listener server;
    std::thread silent([&] {
        SOCKET peer = accept(server.socket, nullptr, nullptr);
        const char welcome[] = "201 Welcome\r\n";
        send(peer, welcome, sizeof welcome - 1, 0);
        char buffer[100];
        recv(peer, buffer, sizeof buffer, 0);  // VERSION, never answered
        Sleep(1000);
        closesocket(peer);
    });
    AppState state = ClientOf(server);
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(SendRemoteCommand(nullptr, &state, message), -1);
    silent.join();
    EXPECT_EQ(state.client_socket, INVALID_SOCKET);
    EXPECT_EQ(log.CountStartingWith("ERROR: recv(): Connection timed out (10060)"), 1);
    EXPECT_TRUE(log.Logged("Sending VERSION to remote machine"));
}

TEST(ClientConnection, NotificationsOfAnEarlierConnectionAreIgnored)
{
    Listener server;
    AppState state = ClientOf(server);
    SOCKET earlier = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    state.client_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    state.authenticated = 1;
    OnClientSocketMessage(nullptr, &state, (WPARAM)earlier, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    EXPECT_NE(state.client_socket, INVALID_SOCKET);
    OnClientSocketMessage(nullptr, &state, (WPARAM)state.client_socket,
                          WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNRESET));
    EXPECT_NE(state.client_socket, INVALID_SOCKET);  // carries an error: ignored
    OnClientSocketMessage(nullptr, &state, (WPARAM)state.client_socket,
                          WSAMAKESELECTREPLY(FD_CLOSE, 0));
    EXPECT_EQ(state.client_socket, INVALID_SOCKET);
    EXPECT_EQ(state.authenticated, 0);
    closesocket(earlier);
}
