// The client's connection to a remote copy with real sockets on 127.0.0.1.
#include <gtest/gtest.h>
#include <winsock.h>

#include <string>
#include <thread>
#include <vector>

#include "actions/dispatch.h"
#include "controls.h"
#include "core/app_state.h"
#include "core/text_helpers.h"
#include "remote/client_protocol.h"
#include "remote/server_protocol.h"
#include "remote/sockets.h"
#include "scratch_log.h"
#include "ui/main_window.h"

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

// A server that answers VERSION with bytes that never make a whole line:
// the client gives up once the line's time or its byte cap is used up.
TEST(ClientConnection, AReplyLineMustBeWholeWithinTheTimeoutAndItsCap)
{
    struct Case {
        const char* name;
        std::string start;  // after the welcome
        std::string piece;  // then again and again
        DWORD pause_ms;     // between pieces
        const char* error;
    } cases[] = {
        // Its first 500 bytes pass for a reply; the rest never ends.
        {"an endless line", "201 3.0.2.0\r\n250 OK", std::string(1000, ' '), 0,
         "ERROR: The remote computer sent more than 16384 bytes without a line end"},
        {"a one-byte drip", "", "2", 50, "ERROR: recv(): Connection timed out (10060)"},
    };
    for (const Case& c : cases) {
        ScratchLog log;
        ShortTimeout timeout;
        Listener server;
        bool stop = false;
        std::thread hostile([&] {
            SOCKET peer = accept(server.socket, nullptr, nullptr);
            const char welcome[] = "201 Welcome\r\n";
            send(peer, welcome, sizeof welcome - 1, 0);
            send(peer, c.start.data(), (int)c.start.size(), 0);
            while (!stop && send(peer, c.piece.data(), (int)c.piece.size(), 0) > 0)
                Sleep(c.pause_ms);
            closesocket(peer);
        });
        AppState state = ClientOf(server);
        char message[MESSAGE_SIZE] = "";
        DWORD start = GetTickCount();
        EXPECT_EQ(SendRemoteCommand(nullptr, &state, message), -1) << c.name;
        DWORD spent = GetTickCount() - start;
        stop = true;
        hostile.join();
        EXPECT_LT(spent, 10000u) << c.name;  // not a speed check: it ended at all
        EXPECT_EQ(log.CountStartingWith(c.error), 1) << c.name;
        EXPECT_EQ(state.client_socket, INVALID_SOCKET) << c.name;
    }
}

TEST(ClientConnection, AnAddressThatNeverAnswersTimesOutAfterTheConnectTimeOut)
{
    ScratchLog log;
    DWORD previous = g_connect_timeout_ms;
    g_connect_timeout_ms = 300;
    Listener server;
    // A full accept queue: the system drops further connection requests.
    listen(server.socket, 0);
    std::vector<SOCKET> waiting;
    for (int i = 0; i < 4; i++) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long non_blocking = 1;
        ioctlsocket(s, FIONBIO, &non_blocking);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = htons((u_short)server.port);
        connect(s, (sockaddr*)&address, sizeof address);
        waiting.push_back(s);
    }
    Sleep(200);
    AppState state = ClientOf(server);
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(SendRemoteCommand(nullptr, &state, message), -1);
    g_connect_timeout_ms = previous;
    EXPECT_TRUE(log.Logged("ERROR: connect(): Connection timed out (10060)"));
    for (SOCKET s : waiting)
        closesocket(s);
}

namespace {

// The server side with real sockets on a window of its own; the test pumps
// its messages as the main window's loop would.
struct Server {
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    AppState state;
    const ServerEffects effects = MainWindowServerEffects();

    Server()
    {
        InitializeSockets();
        InitSettings(&state);
        state.quiet = 1;
        state.run_as_service = 1;
        state.options.allow_remote_control = 1;
        state.remote_control.port = FreeLoopbackPort();
        EXPECT_EQ(CreateServerSocket(window, &state), 0);
    }
    ~Server()
    {
        CloseServerSocket(window, &state);
        DestroyWindow(window);
        WSACleanup();
    }
    template <typename Done> bool Pump(Done done, DWORD ms = 3000)
    {
        DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > ms)
                return false;
            MSG msg;
            if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                Sleep(5);
                continue;
            }
            if (msg.message == WM_SERVER_SOCKET)
                OnServerSocketMessage(effects, window, &state, msg.wParam, msg.lParam);
            else if (msg.message == WM_CLIENT_SOCKET)
                OnClientSocketMessage(effects, window, &state, msg.wParam, msg.lParam);
            else
                DispatchMessage(&msg);
        }
        return true;
    }
    // A peer connects and is welcomed.
    SOCKET Connect()
    {
        SOCKET peer = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = htons((u_short)state.remote_control.port);
        EXPECT_EQ(connect(peer, (sockaddr*)&address, sizeof address), 0);
        SOCKET before = state.client_socket;
        EXPECT_TRUE(Pump([&] { return state.client_socket != INVALID_SOCKET &&
                                      state.client_socket != before; }));
        EXPECT_EQ(ReadLine(peer), "201 Welcome to Haltall 3.0.2.0 created by Telmarin");
        return peer;
    }
    // The next reply line the peer receives while the server runs.
    std::string ReadLine(SOCKET peer)
    {
        std::string line;
        u_long non_blocking = 1;
        ioctlsocket(peer, FIONBIO, &non_blocking);
        Pump([&] {
            char c;
            while (recv(peer, &c, 1, 0) == 1) {
                if (c == '\n')
                    return true;
                if (c != '\r')
                    line += c;
            }
            return false;
        });
        return line;
    }
};

}  // namespace

TEST(ServerConnection, AStaleCloseNotificationDoesNotDropTheNextPeer)
{
    Server server;
    SOCKET first = server.Connect();
    // The first peer sends and resets; its notifications queue up unread
    // while the server closes the connection itself.
    send(first, "HELP\n", 5, 0);
    linger abortive = {1, 0};
    setsockopt(first, SOL_SOCKET, SO_LINGER, (char*)&abortive, sizeof abortive);
    closesocket(first);
    Sleep(300);
    CloseClientSocket(server.window, &server.state);
    MSG queued;
    EXPECT_FALSE(PeekMessage(&queued, server.window, WM_CLIENT_SOCKET, WM_CLIENT_SOCKET, PM_NOREMOVE));

    // A close notification that names the new peer's handle value, as one
    // of the closed connection does when the value is reused.
    SOCKET second = server.Connect();
    for (int error : {0, WSAECONNRESET})
        PostMessage(server.window, WM_CLIENT_SOCKET, (WPARAM)server.state.client_socket,
                    WSAMAKESELECTREPLY(FD_CLOSE, error));
    server.Pump([] { return false; }, 300);
    ASSERT_NE(server.state.client_socket, INVALID_SOCKET);
    send(second, "VERSION\n", 8, 0);
    EXPECT_EQ(server.ReadLine(second), "201 3.0.2.0");

    // Its real close ends the connection.
    closesocket(second);
    EXPECT_TRUE(server.Pump([&] { return server.state.client_socket == INVALID_SOCKET; }));
    EXPECT_EQ(server.state.authenticated, 0);
}

namespace {

// A connection that is not welcomed: the first line the server sends it,
// and whether it is closed after that line.
std::string FirstLineOfNewcomer(Server& server, bool* closed)
{
    SOCKET peer = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons((u_short)server.state.remote_control.port);
    EXPECT_EQ(connect(peer, (sockaddr*)&address, sizeof address), 0);
    std::string line = server.ReadLine(peer);
    char c;
    *closed = server.Pump([&] { return recv(peer, &c, 1, 0) == 0; });
    closesocket(peer);
    return line;
}

}  // namespace

TEST(ServerConnection, ANewcomerNeverCutsOffAnAuthenticatedPeer)
{
    ScratchLog log;
    Server server;
    snprintf(server.state.remote_control.password, sizeof server.state.remote_control.password,
             "%s", EncodePassword("secret"));
    SOCKET first = server.Connect();
    send(first, "PASSWORD secret\n", 16, 0);
    EXPECT_EQ(server.ReadLine(first), "250 OK");

    bool closed = false;
    EXPECT_EQ(FirstLineOfNewcomer(server, &closed),
              "501 Server busy with another client, try again later");
    EXPECT_TRUE(closed);
    EXPECT_TRUE(log.Logged("Connection from 127.0.0.1 refused: an authenticated peer is connected"));
    send(first, "VERSION\n", 8, 0);
    EXPECT_EQ(server.ReadLine(first), "201 3.0.2.0");
    closesocket(first);
    EXPECT_TRUE(server.Pump([&] { return server.state.client_socket == INVALID_SOCKET; }));

    // A peer that has not given its password still gives way.
    SOCKET second = server.Connect();
    SOCKET third = server.Connect();
    char c;
    EXPECT_TRUE(server.Pump([&] { return recv(second, &c, 1, 0) == 0; }));
    send(third, "VERSION\n", 8, 0);
    EXPECT_EQ(server.ReadLine(third), "201 3.0.2.0");
    closesocket(second);
    closesocket(third);
}

TEST(ServerConnection, ASilentPeerIsClosed)
{
    ScratchLog log;
    DWORD previous = g_peer_silence_ms;
    g_peer_silence_ms = 1500;
    Server server;
    SOCKET peer = server.Connect();
    // Speaking keeps the connection; silence ends it.
    for (int i = 0; i < 3; i++) {
        server.Pump([] { return false; }, 700);
        send(peer, "VERSION\n", 8, 0);
        EXPECT_EQ(server.ReadLine(peer), "201 3.0.2.0");
    }
    EXPECT_TRUE(server.Pump([&] { return server.state.client_socket == INVALID_SOCKET; }, 5000));
    g_peer_silence_ms = previous;
    EXPECT_TRUE(log.Logged("Peer 127.0.0.1 silent for 1500 ms, connection closed"));
    closesocket(peer);
}
