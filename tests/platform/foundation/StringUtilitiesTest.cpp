#include "platform/foundation/StringUtilities.h"

#include <gtest/gtest.h>

TEST(StringUtilitiesTest, TrimmedDropsOuterWhiteSpaceAndLineBreaksOnly)
{
    EXPECT_EQ(StringUtilities::trimmed(" \t\r\n\v\fa b\tc \r\n"), "a b\tc");
    EXPECT_EQ(StringUtilities::trimmed(" \t\n "), "");
    EXPECT_EQ(StringUtilities::trimmed(""), "");
    EXPECT_EQ(StringUtilities::trimmed("\xC2\xA0x"), "\xC2\xA0x"); // no-break space is not trimmed
}

TEST(StringUtilitiesTest, AddressTextTellsObjectsApart)
{
    int a = 0, b = 0;
    EXPECT_NE(StringUtilities::addressText(&a), StringUtilities::addressText(&b));
    EXPECT_EQ(StringUtilities::addressText(&a), StringUtilities::addressText(&a));
}
