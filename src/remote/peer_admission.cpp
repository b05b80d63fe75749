#include "remote/peer_admission.h"

#include <cstdio>

#include "core/allow_list.h"
#include "core/app_state.h"
#include "core/log.h"
#include "remote/server_protocol.h"

namespace {

struct Reporter {
    const ServerEffects& fx;
    AppState* state;
};

void ReportRefused(void* context, const char* address, unsigned count)
{
    Reporter& r = *(Reporter*)context;
    char counted[16];
    FormatCount(count, counted, sizeof counted);
    char text[200];
    snprintf(text, sizeof text,
             "Remote control: %s connection%s from %s refused in the last minute: the address "
             "is not allowed",
             counted, count == 1 ? "" : "s", address);
    r.fx.warn(r.state, text);
}

}  // namespace

bool AdmitPeer(const ServerEffects& fx, AppState* state, RefusedPeers* refused,
               const NetAddress& address)
{
    if (AddressAllowed(state->remote_control.allow, address))
        return true;
    char text[NET_ADDRESS_TEXT_SIZE];
    FormatNetAddress(address, text, sizeof text);
    WriteLog("Connection from %s refused: the address is not allowed", text);
    unsigned count;
    if (CountForReport(&refused->reports, text, fx.ticks(), &count)) {
        Reporter r{fx, state};
        ReportRefused(&r, text, count);
    }
    return false;
}

void ReportDueRefusals(const ServerEffects& fx, AppState* state, RefusedPeers* refused)
{
    Reporter r{fx, state};
    ReportDue(&refused->reports, fx.ticks(), ReportRefused, &r);
}
