// The client's side of line assembly: the bytes a server sends, however
// they are split over receives, joined into reply lines. A line ends with a
// line feed; a line longer than the buffer is taken as far as it fits and
// the rest of it, up to its line feed, is dropped.
#pragma once
#include <cstddef>

const size_t REPLY_LINE_SIZE = 500;  // longest reply line kept, without terminator
// Bytes without a line feed the client takes from a server before it gives
// up: a server that sends an endless line cannot hold it forever.
const size_t REPLY_BYTES_LIMIT = 16 * 1024;

struct ReplyLines {
    char bytes[REPLY_LINE_SIZE];  // received and not yet taken
    size_t length;
    bool dropping;      // the rest of an overlong line
    size_t line_bytes;  // received since the last line feed, dropped ones too
};

// Forgets everything received (a new connection).
void ClearReplyLines(ReplyLines* replies);
// Where the next receive may put its bytes, and how many: never 0.
char* ReplyRoom(ReplyLines* replies, size_t* room);
// Counts bytes just received into the room.
void AddReplyBytes(ReplyLines* replies, size_t count);
// Whether more than REPLY_BYTES_LIMIT bytes came since the last line feed.
bool ReplyLineEndless(const ReplyLines* replies);
// Takes the next complete line, without its line feed, into line
// (REPLY_LINE_SIZE + 1 bytes): true; false until its end has arrived.
bool TakeReplyLine(ReplyLines* replies, char* line);
