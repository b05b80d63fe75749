// The replies waiting for the connection: produced by the commands of one
// received block, sent together (see SendQueuedReplies), bounded by
// OUTPUT_LIMIT. Internal to the server side of the protocol.
#pragma once
#include <cstddef>

#include "core/platform.h"
#include "remote/server_protocol.h"

// Appends a reply line. When the peer has left OUTPUT_LIMIT bytes unread
// even after a send, the connection is closed (logged) and false returned.
bool QueueReply(const ServerEffects& fx, HWND window, AppState* state, const char* line,
                size_t length);
// Drops what is queued (the connection is gone).
void ClearReplies();
// Holds the commands after the current line until ReleaseHeldCommands, which
// first answers with error (when not null), then runs line (when not null);
// the effect hold arms the release after ms.
void HoldCommands(const ServerEffects& fx, HWND window, AppState* state, DWORD ms,
                  const char* error, const char* line);
