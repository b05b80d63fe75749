#include <gtest/gtest.h>

#include "core/app_state.h"
#include "triggers/after_firing.h"

TEST(AfterFiring, OneShotTriggersDisarmAndEndWhereNothingIsLeftToShow)
{
    struct {
        When when;
        ScheduleKind kind;
        bool action_word, in_tray, service;
        Who who;
        AfterFiring after;
    } cases[] = {
        {SCHEDULED, DAILY, true, true, false, LOCAL_COMPUTER, STAY_ARMED},
        {SCHEDULED, DAY_OF_MONTH, false, false, true, LOCAL_COMPUTER, STAY_ARMED},
        {SCHEDULED, AFTER_X_SECONDS, true, true, false, LOCAL_COMPUTER, DISARM_AND_END},
        {SCHEDULED, FIXED_DAY, true, true, false, REMOTE_GROUP, DISARM_AND_END},
        {PROCESS, DAILY, true, true, false, LOCAL_COMPUTER, DISARM_AND_END},
        {SCHEDULED, AFTER_X_SECONDS, false, true, false, LOCAL_COMPUTER, DISARM},
        {SCHEDULED, AFTER_X_SECONDS, false, false, false, LOCAL_COMPUTER, DISARM_AND_END},
        {PROCESS, DAILY, false, false, false, REMOTE_GROUP, DISARM},  // its thread runs on
        {SCHEDULED, FIXED_DAY, false, false, true, LOCAL_COMPUTER, DISARM},
    };
    for (auto& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        state.when = c.when;
        state.schedule.schedule = c.kind;
        state.interactive = c.action_word ? 0 : 1;
        state.options.in_tray = c.in_tray ? 1 : 0;
        state.run_as_service = c.service ? 1 : 0;
        state.who = c.who;
        EXPECT_EQ(AfterTriggerFired(&state), c.after)
            << "when " << c.when << " kind " << c.kind << " word " << c.action_word << " tray "
            << c.in_tray << " service " << c.service << " who " << c.who;
    }
}
