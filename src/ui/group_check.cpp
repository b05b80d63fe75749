#include "ui/group_check.h"

#include <cstdio>

#include "actions/group_action.h"

void FormatCheckStatus(char* out, size_t size, int32_t stage, const GroupResult* result,
                       const char* version, const char* login)
{
    switch (stage) {
    case CHECK_WAITING:
        snprintf(out, size, "waiting");
        return;
    case CHECK_UNDER_WAY:
        snprintf(out, size, "checking...");
        return;
    case CHECK_SKIPPED:
        snprintf(out, size, "not checked (cancelled)");
        return;
    }
    if (result->result < 0)
        snprintf(out, size, "failed: %s", result->reason[0] ? result->reason : "no reason given");
    else
        snprintf(out, size, "ok, version %s%s%s", version[0] ? version : "unknown",
                 login[0] ? ", login " : "", login);
}

void FormatCheckProgress(char* out, size_t size, int done, int count, bool cancelled)
{
    snprintf(out, size, "Checked %d of %d%s", done, count, cancelled ? ", cancelled" : "");
}
