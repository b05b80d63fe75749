// The command line: tokenizer, action words and options, maintenance
// commands, and the usage text. This part decides; the Win32 side
// (command_line_win.cpp) shows the usage box, runs maintenance commands and
// ends the process.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

struct AppState;

enum CommandMode {
    CMD_NONE = 0,
    SAVE_SETTINGS = 1,
    REMOVE_SETTINGS = 2,
    SAVE_SVC_SET = 3,
    REMOVE_SVC_SET = 4,
    CREATE_SERVICE = 5,
    REMOVE_SERVICE = 6,
};

const size_t USAGE_DETAIL_SIZE = 100;  // room for 99 characters

struct CommandLineResult {
    int counted;       // arguments that keep the stored settings from being read
    int settings;      // counted arguments that are settings: neither -quiet nor a maintenance command
    CommandMode mode;  // the last maintenance command given
    char usage_error[USAGE_DETAIL_SIZE];  // empty when the line is valid
    bool help;         // /?, -?, -h, -help or --help: only the usage text is wanted
};

// Splits text into tokens: the program path, then arguments as Windows
// splits them (see ReadCommandArgument). The list holds separately
// allocated copies followed by a null entry.
void SplitCommandLine(const char* text, int* count, char*** list);
// Reads the argument that starts at text[at] (not a blank); writes at most
// size - 1 characters of its text to out, terminated, sets length to its
// whole length and returns where it ends.
int ReadCommandArgument(const char* text, int at, char* out, size_t size, int* length);
void AddToken(char*** list, int* count, const char* text, int start, int end);
void FreeTokens(int count, char** list);

// Applies tokens 0..count-1 (token 0 is the program path) to the record.
// Returns false with result->usage_error set when the line is invalid.
bool ApplyCommandLine(int count, char** tokens, AppState* state, CommandLineResult* result);

// The word that names an action on the command line ("logoff", "wol"...),
// or "unknown".
const char* ActionCommandWord(int32_t action);

// Formats a usage detail; a detail longer than 99 characters ends in "...".
void FormatUsageDetail(char (&detail)[USAGE_DETAIL_SIZE], const char* format, va_list args);
// "Error: <detail>\n" followed by both blocks of the usage text; without a
// detail the two blocks alone.
// Room for the whole text with a detail: the test of its last line would
// catch a text cut short.
const size_t USAGE_MESSAGE_SIZE = 8192;
void BuildUsageMessage(const char* detail, char (&message)[USAGE_MESSAGE_SIZE]);

#ifdef _WIN32
// Applies the full command line; ends the process for the help switches
// (0, after the usage text), maintenance commands (0, or 2 when the command
// failed), usage errors (1) and an unreadable group file (1).
// Returns 1 when a counted argument was given, else 0.
int ParseCommandLine(const char* text, AppState* state);
// Shows the usage text with the detail line (on the console, or in a box
// unless quiet or without a desktop) and ends the process with 1.
[[noreturn]] void Usage(bool quiet, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;
#endif
