// The machine is kept from sleeping for exactly as long as a run's scope
// lives, and the display is left to its own timeout.

#include <KeepAwake.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<EXECUTION_STATE> g_states;

EXECUTION_STATE WINAPI RecordState(EXECUTION_STATE state)
{
    g_states.push_back(state);
    return ES_CONTINUOUS;
}

TEST(KeepAwakeTest, HoldsOffSleepButNotTheDisplayAndGivesItBackOnLeaving)
{
    g_states.clear();
    {
        const KeepAwake awake(&RecordState);
        ASSERT_EQ(1u, g_states.size());
        EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED), g_states[0]);
    }
    ASSERT_EQ(2u, g_states.size());
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS), g_states[1]);
}

} // namespace
