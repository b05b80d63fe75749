// A group run in-process over computers that fail in every way a
// connection can: it must leave none of its sockets open.
#include <gtest/gtest.h>
#include <winsock.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "actions/action_calls.h"
#include "actions/group_action.h"
#include "actions/group_file.h"
#include "core/app_state.h"
#include "remote/sockets.h"
#include "scratch_log.h"

namespace {

// The handles this process holds, as the system lists them.
unsigned long HandleCount()
{
    struct Entry {
        ULONG pid;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    typedef LONG(WINAPI * Query)(ULONG, PVOID, ULONG, PULONG);
    Query query = (Query)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                               "NtQuerySystemInformation");
    std::vector<char> buffer(1 << 22);
    ULONG length = 0;
    const ULONG system_handle_information = 16;
    if (!query || query(system_handle_information, buffer.data(), (ULONG)buffer.size(), &length))
        return 0;
    ULONG count = *(ULONG*)buffer.data();
    const Entry* entries = (const Entry*)(buffer.data() + sizeof(void*));
    unsigned long mine = 0;
    for (ULONG i = 0; i < count; i++)
        mine += entries[i].pid == GetCurrentProcessId();
    return mine;
}

SOCKET ListenOn(int backlog, int* port)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(listener, (sockaddr*)&address, sizeof address);
    listen(listener, backlog);
    int length = sizeof address;
    getsockname(listener, (sockaddr*)&address, &length);
    *port = ntohs(address.sin_port);
    return listener;
}

bool Readable(SOCKET socket, long ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval timeout = {ms / 1000, ms % 1000 * 1000};
    return select(0, &set, nullptr, nullptr, &timeout) > 0;
}

// Welcomes each connection on a loopback port of its own and hands it to
// answer, one connection at a time, on a thread of its own.
struct LoopbackServer {
    SOCKET listener;
    int port = 0;
    std::function<void(SOCKET)> answer;
    std::atomic<bool> stop{false};
    std::thread thread;

    explicit LoopbackServer(std::function<void(SOCKET)> each) : answer(std::move(each))
    {
        listener = ListenOn(5, &port);
        thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        stop = true;
        thread.join();
        closesocket(listener);
    }
    void Serve()
    {
        while (!stop) {
            if (!Readable(listener, 50))
                continue;
            SOCKET peer = accept(listener, nullptr, nullptr);
            const char welcome[] = "201 Welcome\r\n";
            send(peer, welcome, (int)strlen(welcome), 0);
            answer(peer);
            closesocket(peer);
        }
    }
};

// Answers VERSION with version; a later line is refused. Counts the
// connections the client ended itself.
struct ScriptedServer {
    const char* version;
    std::atomic<int> ended{0};
    LoopbackServer server;
    int port;

    explicit ScriptedServer(const char* answer)
        : version(answer), server([this](SOCKET peer) { Answer(peer); }), port(server.port)
    {
    }
    void Answer(SOCKET peer)
    {
        char line[600];
        bool asked = false;
        // The client's end shows as a read of 0 bytes; 5 s is ample.
        while (Readable(peer, 5000)) {
            int received = recv(peer, line, sizeof line, 0);
            if (received <= 0) {
                ended += received == 0;
                break;
            }
            std::string reply = asked ? "500 Invalid password\r\n" : std::string("250 ") + version + "\r\n";
            asked = true;
            send(peer, reply.data(), (int)reply.size(), 0);
        }
    }
};

RemotePC Computer(int port)
{
    RemotePC pc = {};
    snprintf(pc.computer_name, sizeof pc.computer_name, "127.0.0.1");
    pc.port = port;
    pc.current_credentials = 1;
    return pc;
}

// A quiet, simulated log off of the computers, as from the command line.
ExitCode RunQuietly(RemotePC* list, int count)
{
    AppState state;
    InitSettings(&state);
    state.interactive = 0;
    state.quiet = 1;
    state.simulate = 1;
    state.who = REMOTE_GROUP;
    state.action = LOGOFF;
    state.group_list = list;
    state.group_count = count;
    StartGroupAction(SystemActionCalls(), nullptr, &state);
    return state.exit_code;
}

}  // namespace

TEST(GroupRun, FailedComputersLeaveNoSocketOpen)
{
    ScratchLog log;
    InitializeSockets();
    DWORD reply_timeout = g_reply_timeout_ms, connect_timeout = g_connect_timeout_ms;
    DWORD reply_budget = g_group_reply_budget_ms;
    g_reply_timeout_ms = 300;
    g_connect_timeout_ms = 300;
    g_group_reply_budget_ms = 300;
    {
        ScriptedServer refusing_login("3.0.2.0"), version_zero("0.0.0.0");
        int refused = 0, silent = 0, never_accepting = 0;
        closesocket(ListenOn(1, &refused));  // nothing listens there now
        SOCKET quiet = ListenOn(5, &silent);  // connections wait, never welcomed
        // A queue of one that is full: further connection requests go unanswered.
        SOCKET full = ListenOn(0, &never_accepting);
        std::vector<SOCKET> fillers;
        for (int i = 0; i < 4; i++) {
            SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long non_blocking = 1;
            ioctlsocket(filler, FIONBIO, &non_blocking);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = inet_addr("127.0.0.1");
            address.sin_port = htons((u_short)never_accepting);
            connect(filler, (sockaddr*)&address, sizeof address);
            fillers.push_back(filler);
        }
        RemotePC list[] = {Computer(refused), Computer(silent), Computer(never_accepting),
                           Computer(refusing_login.port), Computer(version_zero.port)};

        auto run = [&] {
            EXPECT_EQ(RunQuietly(list, (int)(sizeof list / sizeof list[0])), EXIT_CODE_FAILED);
        };
        run();  // the first run loads what the program keeps for good
        unsigned long before = HandleCount();
        ASSERT_GT(before, 0u);
        run();
        run();
        // The servers' threads close their ends of the connections a little
        // later on a busy machine: their count settles; a leak never does.
        for (int i = 0; i < 100 && HandleCount() != before; i++)
            Sleep(50);
        EXPECT_EQ(HandleCount(), before);
        // The servers that answered saw each connection ended by the client.
        for (int i = 0; i < 100 && (refusing_login.ended < 3 || version_zero.ended < 3); i++)
            Sleep(50);
        EXPECT_EQ(refusing_login.ended, 3);
        EXPECT_EQ(version_zero.ended, 3);
        for (SOCKET filler : fillers)
            closesocket(filler);
        closesocket(full);
        closesocket(quiet);
    }
    g_reply_timeout_ms = reply_timeout;
    g_connect_timeout_ms = connect_timeout;
    g_group_reply_budget_ms = reply_budget;
    WSACleanup();
}

namespace {

// Answers every line with success, each answer after the delay pace gives
// for it (by the line's number, from 0).
struct PacedServer {
    DWORD (*pace)(int line);
    std::atomic<bool> acted{false};
    LoopbackServer server;
    int port;

    explicit PacedServer(DWORD (*delays)(int))
        : pace(delays), server([this](SOCKET peer) { Answer(peer); }), port(server.port)
    {
    }
    void Answer(SOCKET peer)
    {
        std::string pending;
        char bytes[600];
        int line = 0;
        while (Readable(peer, 10000)) {
            int received = recv(peer, bytes, sizeof bytes, 0);
            if (received <= 0)
                break;
            pending.append(bytes, (size_t)received);
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                acted = acted || pending.compare(0, 4, "DOIT") == 0;
                pending.erase(0, end + 1);
                Sleep(pace(line++));
                std::string reply = line == 1 ? "250 3.0.2.0\r\n" : "250 OK\r\n";
                send(peer, reply.data(), (int)reply.size(), 0);
            }
        }
    }
};

}  // namespace

// A group job's replies share one budget from the accepted connection: a
// server that answers slowly once (as one holding a password's answer does)
// is waited for beyond the time-out of a single reply, and one that answers
// every line just within that time-out is given up at the budget's end.
TEST(GroupRun, OneBudgetForTheWholeExchangeOfAComputer)
{
    ScratchLog log;
    InitializeSockets();
    DWORD reply_timeout = g_reply_timeout_ms, reply_budget = g_group_reply_budget_ms;
    g_reply_timeout_ms = 1000;
    g_group_reply_budget_ms = 3000;
    struct {
        DWORD (*pace)(int line);
        ExitCode exit_code;
        bool acted;
    } cases[] = {
        {[](int line) -> DWORD { return line == 1 ? 2000 : 0; }, EXIT_CODE_SUCCESS, true},
        {[](int) -> DWORD { return 900; }, EXIT_CODE_FAILED, false},
    };
    for (const auto& c : cases) {
        PacedServer server(c.pace);
        RemotePC pc = Computer(server.port);
        EXPECT_EQ(RunQuietly(&pc, 1), c.exit_code);
        EXPECT_EQ(server.acted, c.acted);
    }
    g_reply_timeout_ms = reply_timeout;
    g_group_reply_budget_ms = reply_budget;
    WSACleanup();
}
