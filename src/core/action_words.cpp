#include "core/action_words.h"

#include <cstdio>

#include "core/app_state.h"

namespace {

struct Words {
    const char* words;
    // The question is before + target + after + " now?".
    const char* before;
    const char* after;
};

// In the order of the Action values.
const Words ACTION_WORDS[] = {
    {"log off", "Log off the user of ", ""},
    {"restart", "Restart ", ""},
    {"shut down", "Shut down ", ""},
    {"power off", "Power off ", ""},
    {"standby", "Put ", " on standby"},
    {"hibernate", "Hibernate ", ""},
    {"lock", "Lock ", ""},
    {"Wake-on-LAN", "Wake ", ""},
    {"monitor off", "Turn off the monitor of ", ""},
    {"monitor on", "Turn on the monitor of ", ""},
    {"no action", "Run the warning and the program for ", ""},
};
const Words UNKNOWN_WORDS = {"unknown action", "Act on ", ""};

const Words& WordsOf(int32_t action)
{
    const size_t count = sizeof ACTION_WORDS / sizeof ACTION_WORDS[0];
    return action >= 0 && (size_t)action < count ? ACTION_WORDS[action] : UNKNOWN_WORDS;
}

}  // namespace

const char* ActionWords(int32_t action)
{
    return WordsOf(action).words;
}

void CapitalActionWords(int32_t action, char* text, size_t size)
{
    snprintf(text, size, "%s", ActionWords(action));
    if (text[0] >= 'a' && text[0] <= 'z')
        text[0] = (char)(text[0] - 'a' + 'A');
}

void TargetWords(const AppState* state, char* text, size_t size)
{
    switch (state->who) {
    case LOCAL_COMPUTER:
        snprintf(text, size, "this computer");
        return;
    case REMOTE_COMPUTER:
        snprintf(text, size, "%s",
                 state->remote.computer_name[0] ? state->remote.computer_name
                                                : state->remote.ip_address);
        return;
    case REMOTE_GROUP:
        if (state->group_count == 1)
            snprintf(text, size, "the 1 computer of the group");
        else
            snprintf(text, size, "the %d computers of the group", (int)state->group_count);
        return;
    }
    snprintf(text, size, "the chosen computer");
}

namespace {

const char FORCE_WORDS[] = "Applications are closed without asking to save their work.";

// "Power off this computer", the first letter as the words have it.
void ActionOnTarget(const AppState* state, char* text, size_t size)
{
    const Words& words = WordsOf(state->action);
    char target[128];
    TargetWords(state, target, sizeof target);
    snprintf(text, size, "%s%s%s", words.before, target, words.after);
}

}  // namespace

void ActionQuestion(const AppState* state, char* text, size_t size)
{
    char action[192];
    ActionOnTarget(state, action, sizeof action);
    snprintf(text, size, "%s now?%s%s", action, state->options.force ? "\n\n" : "",
             state->options.force ? FORCE_WORDS : "");
}

void WarningCaption(int32_t action, int seconds, char* text, size_t size)
{
    snprintf(text, size, "Haltall \xE2\x80\x94 %s in %d s", ActionWords(action), seconds);
}

void WarningSentence(const AppState* state, char* text, size_t size)
{
    char action[192];
    ActionOnTarget(state, action, sizeof action);
    if (action[0] >= 'A' && action[0] <= 'Z')
        action[0] = (char)(action[0] - 'A' + 'a');
    snprintf(text, size, "Haltall will %s when the time is up.%s%s", action,
             state->options.force ? " " : "", state->options.force ? FORCE_WORDS : "");
}
