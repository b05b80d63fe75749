#include "core/day_tokens.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"

namespace {

template <size_t N>
void JoinFlags(AppState* state, const char* const (&tokens)[N], Flag* (*flag)(AppState*, int),
               char* out, size_t size)
{
    out[0] = '\0';
    for (size_t i = 0; i < N; i++) {
        if (*flag(state, (int)i)) {
            size_t used = strlen(out);
            snprintf(out + used, size - used, "%s%s", used ? "," : "", tokens[i]);
        }
    }
}

}  // namespace

const char* const DAY_TOKENS[7] = {"m", "t", "w", "th", "f", "s", "su"};
const char* const WEEK_TOKENS[5] = {"1", "2", "3", "4", "5"};

void DaysText(AppState* state, char* out, size_t size)
{
    JoinFlags(state, DAY_TOKENS, WeekdayFlags, out, size);
}

void WeeksText(AppState* state, char* out, size_t size)
{
    JoinFlags(state, WEEK_TOKENS, WeekFlags, out, size);
}
