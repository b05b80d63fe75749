#include <cstring>

#include "ui/armed_words.h"
#include "ui/tray.h"

void TrayTooltip(AppState* state, const SYSTEMTIME& now, const char* dash,
                 char (&text)[TOOLTIP_SIZE])
{
    // Long texts (a long process name) are cut, not wrapped.
    char full[320];
    ArmedTooltip(state, now, dash, full, sizeof full);
    size_t len = strnlen(full, TOOLTIP_SIZE - 1);
    memcpy(text, full, len);
    text[len] = '\0';
}
