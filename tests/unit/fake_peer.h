// A connected remote-control peer without sockets or windows: the replies
// are collected as text, and every effect the protocol asks for is counted.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/text_helpers.h"
#include "remote/server_protocol.h"

// The record's bytes, sockets included (a copy of the record would not
// hold them), to show that a step changed nothing.
inline std::vector<unsigned char> RecordBytes(const AppState& state)
{
    const unsigned char* bytes = (const unsigned char*)&state;
    return std::vector<unsigned char>(bytes, bytes + sizeof state);
}

struct FakePeer {
    AppState state;
    std::string sent;                 // every byte sent, in order
    std::vector<std::string> events;  // "refresh", "stop", "doit", "close", "send error N",
                                      // "wrong password", "hold MS"
    int send_error = 0;               // the code the next sends fail with, or 0
    size_t send_room = (size_t)-1;    // bytes the next sends may take
    int sends = 0;                    // calls of the send effect
    const char* sanity_problem = nullptr;
    size_t sent_before_doit = 0;
    SYSTEMTIME now = {2024, 5, 5, 17, 9, 41, 27, 500};  // Friday 17 May 2024 09:41:27.500
    DWORD ticks = 0;
    bool auto_release = true;  // a wrong password's delay passes at once
    DWORD hold_end = 0;        // ticks when the last hold ends
    std::string unread;        // received while commands are held

    static inline FakePeer* current;

    FakePeer()
    {
        current = this;
        SetDefaultSettings(&state);
        state.client_socket = 7;
        state.authenticated = 1;
        snprintf(state.peer_address, sizeof state.peer_address, "127.0.0.1");
        // A server with a password ("secret"), which its peer has given.
        snprintf(state.remote_control.password, sizeof state.remote_control.password, "%s",
                 EncodePassword("secret"));
        ForgetPeer();
        ForgetPasswordFailures();
    }
    ~FakePeer()
    {
        ForgetPeer();
        current = nullptr;
    }

    static const ServerEffects& Effects()
    {
        static const ServerEffects fx = {
            [](HWND, AppState*, const char* data, size_t length) -> long {
                current->sends++;
                if (current->send_error)
                    return -current->send_error;
                size_t taken = length < current->send_room ? length : current->send_room;
                current->sent.append(data, taken);
                current->send_room -= current->send_room == (size_t)-1 ? 0 : taken;
                return (long)taken;
            },
            [](HWND, AppState* s) {
                current->events.push_back("close");
                s->client_socket = INVALID_SOCKET;
                s->authenticated = 0;
                ForgetPeer();
            },
            [](AppState*, const char* label, int code) {
                current->events.push_back(std::string(label) + " error " + std::to_string(code));
            },
            [](HWND, AppState*) { current->events.push_back("refresh"); },
            [](HWND, AppState*) { current->events.push_back("stop"); },
            [](HWND, AppState*, char* message) {
                if (!current->sanity_problem)
                    return 0;
                strcpy(message, current->sanity_problem);
                return 1;
            },
            [](HWND, AppState*) {
                current->events.push_back("doit");
                current->sent_before_doit = current->sent.size();
                return 0;
            },
            [](SYSTEMTIME* now) { *now = current->now; },
            []() { return current->ticks; },
            [](const ServerEffects&, HWND, AppState*, DWORD ms) {
                current->events.push_back("hold " + std::to_string(ms));
                current->hold_end = current->ticks + ms;
            },
            [](AppState*, const char* text) { current->events.push_back(std::string("warning: ") + text); },
        };
        return fx;
    }

    // Runs one command line and returns the reply lines it produced, each
    // still with its CR LF.
    std::vector<std::string> Command(const std::string& line)
    {
        char buffer[COMMAND_SIZE + 1];
        snprintf(buffer, sizeof buffer, "%s", line.c_str());
        size_t start = sent.size();
        ProcessClientCommand(Effects(), nullptr, &state, buffer);
        SendQueuedReplies(Effects(), nullptr, &state);
        if (auto_release) {
            ReleaseWhenDue();
            Deliver();
        }
        return Lines(sent.substr(start));
    }
    // The only reply line of a command, or "" when there was not exactly one.
    std::string Reply(const std::string& line)
    {
        std::vector<std::string> lines = Command(line);
        return lines.size() == 1 ? lines[0] : "";
    }
    // Feeds received bytes through line assembly in blocks of READ_SIZE, as
    // the server reads them; during a delay they wait unread. Returns the
    // new replies.
    std::vector<std::string> Receive(const std::string& data)
    {
        size_t start = sent.size();
        unread += data;
        Deliver();
        return Lines(sent.substr(start));
    }
    // The delay of a wrong password ends; returns the new replies.
    std::vector<std::string> Release()
    {
        size_t start = sent.size();
        ReleaseHeldCommands(Effects(), nullptr, &state);
        Deliver();
        return Lines(sent.substr(start));
    }
    bool Connected() const { return state.client_socket != INVALID_SOCKET; }

    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end + 2 - start));
        if (start < text.size())
            lines.push_back(text.substr(start));  // a line without CR LF shows as is
        return lines;
    }

private:
    // The clock runs on to the end of the hold, which then ends.
    void ReleaseWhenDue()
    {
        while (HoldingCommands()) {
            if ((int32_t)(hold_end - ticks) > 0)
                ticks = hold_end;
            ReleaseHeldCommands(Effects(), nullptr, &state);
        }
    }

    void Deliver()
    {
        while (!unread.empty() && Connected()) {
            if (HoldingCommands()) {
                if (!auto_release)
                    return;
                ReleaseWhenDue();
                continue;
            }
            size_t length = unread.size() < READ_SIZE ? unread.size() : READ_SIZE;
            std::string block = unread.substr(0, length);
            unread.erase(0, length);
            ReceiveClientData(Effects(), nullptr, &state, block.data(), block.size());
        }
        if (auto_release)
            ReleaseWhenDue();
    }
};
