#include <gtest/gtest.h>

#include "actions/dispatch.h"
#include "core/app_state.h"

TEST(ChooseDoItRoute, HandsOverOnlyToARemoteCopy)
{
    struct {
        Who who;
        When when;
        int use_nt, schedule_remote;
        Action action;
        DoItRoute route;
    } cases[] = {
        {REMOTE_COMPUTER, IMMEDIATE, 0, 0, REBOOT, ROUTE_HAND_OVER},
        {REMOTE_COMPUTER, SCHEDULED, 0, 1, REBOOT, ROUTE_HAND_OVER},
        {REMOTE_COMPUTER, PROCESS, 0, 1, LOCK, ROUTE_HAND_OVER},
        // The trigger stays here unless it is handed over too.
        {REMOTE_COMPUTER, SCHEDULED, 0, 0, REBOOT, ROUTE_ARM_TRIGGER},
        {REMOTE_COMPUTER, PROCESS, 0, 0, REBOOT, ROUTE_ARM_TRIGGER},
        // The remote copy is a service, which sees no input: idle waits here.
        {REMOTE_COMPUTER, IDLE, 0, 1, REBOOT, ROUTE_ARM_TRIGGER},
        {REMOTE_COMPUTER, IDLE, 0, 0, REBOOT, ROUTE_ARM_TRIGGER},
        // The operating system's shutdown and Wake-on-LAN act from here.
        {REMOTE_COMPUTER, IMMEDIATE, 1, 0, REBOOT, ROUTE_ACT_NOW},
        {REMOTE_COMPUTER, SCHEDULED, 1, 1, REBOOT, ROUTE_ARM_TRIGGER},
        {REMOTE_COMPUTER, IMMEDIATE, 0, 0, WAKE_ON_LAN, ROUTE_ACT_NOW},
        {REMOTE_COMPUTER, SCHEDULED, 0, 1, WAKE_ON_LAN, ROUTE_ARM_TRIGGER},
        // Local and group targets never hand over.
        {LOCAL_COMPUTER, IMMEDIATE, 0, 1, REBOOT, ROUTE_ACT_NOW},
        {REMOTE_GROUP, IMMEDIATE, 0, 1, REBOOT, ROUTE_ACT_NOW},
        {LOCAL_COMPUTER, PROCESS, 0, 0, NO_ACTION, ROUTE_ARM_TRIGGER},
        {LOCAL_COMPUTER, IDLE, 0, 0, NO_ACTION, ROUTE_ARM_TRIGGER},
        {LOCAL_COMPUTER, (When)4, 0, 0, NO_ACTION, ROUTE_NONE},
        {REMOTE_COMPUTER, (When)4, 0, 0, REBOOT, ROUTE_NONE},
    };
    for (auto& c : cases) {
        AppState s;
        SetDefaultSettings(&s);
        s.who = c.who;
        s.when = c.when;
        s.remote.use_nt = (Flag)c.use_nt;
        s.remote.schedule_remote = (Flag)c.schedule_remote;
        s.action = c.action;
        EXPECT_EQ(ChooseDoItRoute(&s), c.route)
            << "who=" << c.who << " when=" << c.when << " use_nt=" << c.use_nt
            << " schedule_remote=" << c.schedule_remote << " action=" << c.action;
        // When the trigger fires, the action goes to the same place.
        bool sends = c.who == REMOTE_COMPUTER && !c.use_nt && c.action != WAKE_ON_LAN;
        EXPECT_EQ(SendsToRemoteCopy(&s), sends) << "who=" << c.who << " action=" << c.action;
    }
}

TEST(ChooseOperation, OnlyTheExitWindowsActionsLookAtTheTarget)
{
    struct {
        int action;
        ActionOperation local, remote;
    } cases[] = {
        {LOGOFF, OP_EXIT_WINDOWS, OP_INITIATE_SYSTEM_SHUTDOWN},
        {REBOOT, OP_EXIT_WINDOWS, OP_INITIATE_SYSTEM_SHUTDOWN},
        {SHUTDOWN, OP_EXIT_WINDOWS, OP_INITIATE_SYSTEM_SHUTDOWN},
        {POWEROFF, OP_EXIT_WINDOWS, OP_INITIATE_SYSTEM_SHUTDOWN},
        {STANDBY, OP_SET_SYSTEM_POWER_STATE, OP_SET_SYSTEM_POWER_STATE},
        {HIBERNATE, OP_SET_SYSTEM_POWER_STATE, OP_SET_SYSTEM_POWER_STATE},
        {LOCK, OP_LOCK_WORKSTATION, OP_LOCK_WORKSTATION},
        {WAKE_ON_LAN, OP_WAKE_ON_LAN, OP_WAKE_ON_LAN},
        {MONITOR_OFF, OP_TURN_OFF_MONITOR, OP_TURN_OFF_MONITOR},
        {MONITOR_ON, OP_TURN_OFF_MONITOR, OP_TURN_OFF_MONITOR},
        {NO_ACTION, OP_NO_ACTION, OP_NO_ACTION},
        {ABORT, OP_ABORT_SYSTEM_SHUTDOWN, OP_ABORT_SYSTEM_SHUTDOWN},
        {12, OP_NONE, OP_NONE},
        {-1, OP_NONE, OP_NONE},
    };
    for (auto& c : cases) {
        EXPECT_EQ(ChooseOperation(c.action, LOCAL_COMPUTER), c.local) << c.action;
        EXPECT_EQ(ChooseOperation(c.action, REMOTE_COMPUTER), c.remote) << c.action;
        EXPECT_EQ(ChooseOperation(c.action, REMOTE_GROUP), c.remote) << c.action;
    }
}
