#include "core/log_mask.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/command_line.h"

const char* const LOG_MASK = "********";

namespace {

const char* const secret_options[] = {"-remote_pswd", "-password"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Appends count bytes of text to out, always terminated, never past size.
void Append(char* out, size_t size, size_t* used, const char* text, size_t count)
{
    if (*used + 1 >= size)
        return;
    if (count > size - 1 - *used)
        count = size - 1 - *used;
    memcpy(out + *used, text, count);
    *used += count;
    out[*used] = '\0';
}

}  // namespace

size_t PasswordValueStart(const char* line, size_t length)
{
    const size_t word = 8;  // "PASSWORD"
    if (length < word || strncasecmp(line, "PASSWORD", word) != 0)
        return length;
    return length > word && line[word] == ' ' ? word + 1 : word;
}

void MaskPasswordLine(const char* line, char* out, size_t size)
{
    size_t length = strlen(line);
    size_t start = PasswordValueStart(line, length);
    if (start >= length) {
        snprintf(out, size, "%s", line);
        return;
    }
    snprintf(out, size, "%.*s%s", (int)start, line, LOG_MASK);
}

void MaskCommandLine(const char* text, char* out, size_t size)
{
    size_t used = 0;
    if (size > 0)
        out[0] = '\0';
    bool hide_next = false;
    const char* p = text;
    while (*p) {
        size_t blanks = 0;
        while (IsBlank(p[blanks]))
            blanks++;
        Append(out, size, &used, p, blanks);
        p += blanks;
        if (!*p)
            break;
        // One argument, split as the command line splits it.
        char word[16];
        int word_length;
        const char* end = p + ReadCommandArgument(p, 0, word, sizeof word, &word_length);
        size_t length = (size_t)(end - p);
        if (hide_next)
            Append(out, size, &used, LOG_MASK, strlen(LOG_MASK));
        else
            Append(out, size, &used, p, length);
        hide_next = false;
        for (const char* option : secret_options)
            if ((int)strlen(option) == word_length && strcmp(option, word) == 0)
                hide_next = true;
        p = end;
    }
}
