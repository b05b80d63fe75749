// Where and how an action runs, decided from the settings alone.
#include "actions/dispatch.h"

#include "core/app_state.h"

DoItRoute ChooseDoItRoute(const AppState* state)
{
    // A check hands nothing over and waits for nothing.
    if (state->probe.on)
        return ROUTE_ACT_NOW;
    if (state->who == REMOTE_COMPUTER && !state->remote.use_nt &&
        (state->when == IMMEDIATE || RemoteCopyWaits(state)) &&
        state->action != WAKE_ON_LAN)
        return ROUTE_HAND_OVER;
    switch (state->when) {
    case IMMEDIATE:
        return ROUTE_ACT_NOW;
    case SCHEDULED:
    case PROCESS:
    case IDLE:
        return ROUTE_ARM_TRIGGER;
    }
    return ROUTE_NONE;
}

bool AsksBeforeDoIt(const AppState* state)
{
    bool ends_the_session = state->action == LOGOFF || state->action == REBOOT ||
                            state->action == SHUTDOWN || state->action == POWEROFF;
    bool countdown = state->options.warning && state->warning.seconds > 0;
    return ends_the_session && state->when == IMMEDIATE && !countdown;
}

bool SendsToRemoteCopy(const AppState* state)
{
    return state->who == REMOTE_COMPUTER && !state->remote.use_nt &&
           state->action != WAKE_ON_LAN;
}

ActionOperation ChooseOperation(int action, int who)
{
    switch (action) {
    case LOGOFF:
    case REBOOT:
    case SHUTDOWN:
    case POWEROFF:
        return who == LOCAL_COMPUTER ? OP_EXIT_WINDOWS : OP_INITIATE_SYSTEM_SHUTDOWN;
    case STANDBY:
    case HIBERNATE:
        return OP_SET_SYSTEM_POWER_STATE;
    case LOCK:
        return OP_LOCK_WORKSTATION;
    case WAKE_ON_LAN:
        return OP_WAKE_ON_LAN;
    case MONITOR_OFF:
    case MONITOR_ON:
        return OP_TURN_OFF_MONITOR;
    case NO_ACTION:
        return OP_NO_ACTION;
    case ABORT:
        return OP_ABORT_SYSTEM_SHUTDOWN;
    }
    return OP_NONE;
}
