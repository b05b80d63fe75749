#include "remote/reply_lines.h"

#include <cstring>

void ClearReplyLines(ReplyLines* replies)
{
    replies->length = 0;
    replies->dropping = false;
    replies->line_bytes = 0;
}

char* ReplyRoom(ReplyLines* replies, size_t* room)
{
    *room = sizeof replies->bytes - replies->length;
    return replies->bytes + replies->length;
}

void AddReplyBytes(ReplyLines* replies, size_t count)
{
    const char* added = replies->bytes + replies->length;
    size_t after_line_feed = count;
    while (after_line_feed > 0 && added[after_line_feed - 1] != '\n')
        after_line_feed--;
    replies->line_bytes = after_line_feed > 0 ? count - after_line_feed : replies->line_bytes + count;
    replies->length += count;
    // The end of an overlong line goes as soon as it arrives.
    while (replies->dropping && replies->length > 0) {
        char* end = (char*)memchr(replies->bytes, '\n', replies->length);
        size_t gone = end ? (size_t)(end - replies->bytes) + 1 : replies->length;
        memmove(replies->bytes, replies->bytes + gone, replies->length - gone);
        replies->length -= gone;
        replies->dropping = end == nullptr;
    }
}

bool TakeReplyLine(ReplyLines* replies, char* line)
{
    char* end = (char*)memchr(replies->bytes, '\n', replies->length);
    size_t length = end ? (size_t)(end - replies->bytes) : replies->length;
    if (!end && replies->length < sizeof replies->bytes)
        return false;
    memcpy(line, replies->bytes, length);
    line[length] = '\0';
    size_t gone = end ? length + 1 : length;
    memmove(replies->bytes, replies->bytes + gone, replies->length - gone);
    replies->length -= gone;
    replies->dropping = end == nullptr;
    return true;
}

bool ReplyLineEndless(const ReplyLines* replies)
{
    return replies->line_bytes > REPLY_BYTES_LIMIT;
}
