#include "core/text_helpers.h"

#include <cstring>

#include "core/log.h"
#include "core/log_mask.h"

char* TrimSpaces(char* text)
{
    size_t start = strspn(text, " \t\n");
    if (start > 0)
        memmove(text, text + start, strlen(text + start) + 1);
    size_t len = strlen(text);
    while (len > 0 && strchr(" \t\n", text[len - 1]))
        text[--len] = '\0';
    return text;
}

int ReplaceSubstring(char* text, size_t size, const char* find, const char* replacement)
{
    size_t find_len = strlen(find);
    size_t repl_len = strlen(replacement);
    if (find_len == 0)
        return 0;

    int replaced = 0;
    size_t len = strlen(text);
    char* at = text;
    while ((at = strstr(at, find)) != nullptr) {
        if (len - find_len + repl_len >= size)
            break;
        size_t tail = len - (size_t)(at - text) - find_len;
        memmove(at + repl_len, at + find_len, tail + 1);
        memcpy(at, replacement, repl_len);
        len = len - find_len + repl_len;
        at += repl_len;
        replaced = 1;
    }
    return replaced;
}

const char* EncodePassword(const char* text)
{
    static char encoded[40];
    int n = (int)strlen(text);
    encoded[0] = '\0';
    if (n > 0) {
        // Characters count as signed bytes and remainders keep the sign of
        // the dividend, so every result stays the same on every compiler.
        int a = n;
        for (int i = 0; i < n; i++)
            a = (a + (signed char)text[i]) % 256;
        for (int j = 0; j < 40; j++) {
            a = (a + (signed char)text[j % n]) % 80;
            encoded[j] = (char)(a + 33);
        }
        encoded[39] = '\0';
    }
    WriteLog("EncodePassword end, encoded=%s", LOG_MASK);
    return encoded;
}
