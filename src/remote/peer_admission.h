// Which peers the listener welcomes, by their address (the allow-list of
// remote control), and the warnings about those it turns away.
#pragma once
#include "core/net_address.h"
#include "remote/address_reports.h"

struct AppState;
struct ServerEffects;

// The connections refused for their address, counted per address for their
// warnings. The listener owns one.
struct RefusedPeers {
    AddressReports reports;
};

// Whether a peer at address may connect. One that may not is logged, and
// reported by a warning event at most once a minute per address (the first
// at once, the rest summed up by ReportDueRefusals).
bool AdmitPeer(const ServerEffects& fx, AppState* state, RefusedPeers* refused,
               const NetAddress& address);
// Writes the summaries of refused connections whose minute has passed
// (called now and then while the server listens).
void ReportDueRefusals(const ServerEffects& fx, AppState* state, RefusedPeers* refused);
