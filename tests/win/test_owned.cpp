// The handle owners close what they hold exactly once, and never what they
// have handed on.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "core/owned.h"

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags;
    return GetHandleInformation(handle, &flags) != 0;
}

}  // namespace

TEST(OwnedHandle, ClosesAtTheEndOfItsScopeAndFollowsAMove)
{
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(raw);
    {
        OwnedHandle first(raw);
        OwnedHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), raw);
        OwnedHandle third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));
}

TEST(OwnedHandle, ReleaseHandsTheHandleOnAndResetClosesTheOldOne)
{
    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE replaced = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        OwnedHandle owner(kept);
        EXPECT_EQ(owner.release(), kept);
        owner.reset(replaced);
        owner.reset(INVALID_HANDLE_VALUE);  // a failed open: nothing to close later
        EXPECT_FALSE(owner);
        EXPECT_FALSE(IsOpen(replaced));
    }
    EXPECT_TRUE(IsOpen(kept));
    CloseHandle(kept);
}

TEST(OwnedHandle, OutClosesTheHeldHandleBeforeGivingTheSlot)
{
    HANDLE old = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OwnedHandle owner(old);
    HANDLE* slot = owner.out();
    EXPECT_FALSE(IsOpen(old));
    EXPECT_FALSE(owner);
    *slot = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(owner);
}

TEST(OwnedKey, KeepsAnOpenedKeyUntilTheEndOfItsScope)
{
    HKEY raw;
    {
        OwnedKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.out()),
                  ERROR_SUCCESS);
        raw = key.get();
        EXPECT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
    }
    EXPECT_NE(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}
