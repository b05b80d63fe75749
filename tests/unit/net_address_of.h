// An address from its text, for tables of cases.
#pragma once
#include <gtest/gtest.h>

#include "core/net_address.h"

inline NetAddress Address(const char* text)
{
    NetAddress address;
    EXPECT_TRUE(ParseNetAddress(text, &address)) << text;
    return address;
}
