#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "triggers/process_watch.h"

TEST(ProcessWatch, FiresOnceTheSeenProcessIsGone)
{
    // Walk results tick by tick: 0 = found (or the walk failed), 1 = not found.
    struct {
        const char* walks;
        const char* fires;
    } cases[] = {
        {"1111", "...."},          // never seen: never fires
        {"0011", "..x."},          // seen, then gone
        {"01010", ".x.x."},        // started and stopped again after the action
        {"0000", "...."},          // a walk that cannot be done never fires
        {"0111011", ".x...x."},
    };
    for (auto& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        std::string fires;
        for (const char* walk = c.walks; *walk; walk++)
            fires += WatchedProcessGone(&state, *walk - '0') ? 'x' : '.';
        EXPECT_EQ(fires, c.fires) << c.walks;
        EXPECT_EQ(state.process.seen_running, c.walks[fires.size() - 1] == '0' ? 1u : 0u);
    }
}
