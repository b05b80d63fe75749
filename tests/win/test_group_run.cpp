// A group run in-process over computers that fail in every way a
// connection can: it must leave none of its sockets open.
#include <gtest/gtest.h>
#include <winsock.h>

#include <atomic>
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

// Welcomes each connection and answers VERSION with version; a later line
// is refused. Counts the connections the client ended itself.
struct ScriptedServer {
    SOCKET listener;
    int port = 0;
    const char* version;
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    std::thread thread;

    explicit ScriptedServer(const char* answer) : version(answer)
    {
        listener = ListenOn(5, &port);
        thread = std::thread([this] { Serve(); });
    }
    ~ScriptedServer()
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
            std::string reply = "201 Welcome\r\n";
            send(peer, reply.data(), (int)reply.size(), 0);
            char line[600];
            bool asked = false;
            // The client's end shows as a read of 0 bytes; 5 s is ample.
            while (Readable(peer, 5000)) {
                int received = recv(peer, line, sizeof line, 0);
                if (received <= 0) {
                    ended += received == 0;
                    break;
                }
                reply = asked ? "500 Invalid password\r\n" : std::string("250 ") + version + "\r\n";
                asked = true;
                send(peer, reply.data(), (int)reply.size(), 0);
            }
            closesocket(peer);
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

}  // namespace

TEST(GroupRun, FailedComputersLeaveNoSocketOpen)
{
    ScratchLog log;
    InitializeSockets();
    DWORD reply_timeout = g_reply_timeout_ms, connect_timeout = g_connect_timeout_ms;
    g_reply_timeout_ms = 300;
    g_connect_timeout_ms = 300;
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
            AppState state;
            InitSettings(&state);
            state.interactive = 0;
            state.quiet = 1;
            state.simulate = 1;
            state.who = REMOTE_GROUP;
            state.action = LOGOFF;
            state.group_list = list;
            state.group_count = (int32_t)(sizeof list / sizeof list[0]);
            StartGroupAction(SystemActionCalls(), nullptr, &state);
            EXPECT_EQ(state.exit_code, EXIT_CODE_FAILED);
        };
        run();  // the first run loads what the program keeps for good
        unsigned long before = HandleCount();
        ASSERT_GT(before, 0u);
        run();
        run();
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
    WSACleanup();
}
