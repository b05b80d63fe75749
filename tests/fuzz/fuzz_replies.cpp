// Arbitrary bytes from a server, as the client receives them in pieces of
// arbitrary size: the reply lines taken must be exactly the lines of the
// bytes (each cut to REPLY_LINE_SIZE), in order, and each must read as a
// reply without overrunning anything. The first byte chooses the piece sizes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "actions/dispatch.h"
#include "remote/client_protocol.h"
#include "remote/reply_lines.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz_replies: %s\n", what);
        abort();
    }
}

// The lines a careful reader finds in the bytes: complete lines only.
std::vector<std::string> ExpectedLines(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines;
    std::string current;
    bool cut = false;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == '\n') {
            if (!cut)
                lines.push_back(current);
            current.clear();
            cut = false;
        } else if (!cut) {
            current += (char)data[i];
            if (current.size() == REPLY_LINE_SIZE) {
                lines.push_back(current);  // taken as far as it fits
                current.clear();
                cut = true;
            }
        }
    }
    return lines;
}

void ReadAsReply(char* line)
{
    char message[MESSAGE_SIZE];
    memset(message, 'x', sizeof message);
    const char* text = nullptr;
    int result = ReadReply(line, message, &text);
    Check(result == 0 || result == -2, "reply result");
    Check(result == 0 || memchr(message, '\0', sizeof message) != nullptr, "reply message");
    Check(text != nullptr && strlen(text) <= REPLY_LINE_SIZE, "reply text");
    Check(VersionNumber(text) >= -1, "version number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t pieces = data[0];
    data++;
    size--;

    ReplyLines replies;
    ClearReplyLines(&replies);
    std::vector<std::string> taken;
    size_t at = 0, round = 0;
    while (at < size) {
        size_t room;
        char* into = ReplyRoom(&replies, &room);
        Check(room > 0 && room <= REPLY_LINE_SIZE, "room");
        size_t piece = 1 + (pieces * (round++ + 7)) % 600;  // a receive's worth
        size_t count = piece < room ? piece : room;
        if (count > size - at)
            count = size - at;
        memcpy(into, data + at, count);
        at += count;
        AddReplyBytes(&replies, count);
        char line[REPLY_LINE_SIZE + 1];
        while (TakeReplyLine(&replies, line)) {
            Check(strlen(line) <= REPLY_LINE_SIZE, "line length");
            taken.push_back(std::string(line, strlen(line)));
            ReadAsReply(line);
        }
    }
    // Zero bytes end a line early in C text; compare up to them.
    std::vector<std::string> expected = ExpectedLines(data, size);
    Check(taken.size() == expected.size(), "line count");
    for (size_t i = 0; i < taken.size(); i++)
        Check(taken[i] == expected[i].substr(0, strlen(expected[i].c_str())), "line bytes");
    return 0;
}
