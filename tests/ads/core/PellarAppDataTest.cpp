#include "ads/core/PellarAppData.h"

#include <gtest/gtest.h>

namespace {

TEST(PellarAppDataTest, UserAgentWritesVersionDotsAsUnderscoresAndTheLocaleInLowerCase)
{
    EXPECT_EQ(PellarAppData::userAgentWith("Desktop", "Linux", "3.1.2", "x86_64", std::string("de_DE")),
        "Mozilla/5.0 (Desktop; U; CPU Linux 3_1_2 like Mac OS X; HW x86_64; de_de) AppleWebKit/525.18.1 "
        "(KHTML, like Gecko) (Pellar-SDK-20091130)");
    EXPECT_NE(
        PellarAppData::userAgentWith("D", "S", "3.0", "m", std::nullopt).find("CPU S 3_0 like Mac OS X; HW m; (null))"),
        std::string::npos);
}

TEST(PellarAppDataTest, BundleNamesAreReadOnceAndAMissingOneStaysMissing)
{
    Bundle bundle;
    bundle.setInfoDictionary({ { "CFBundleName", "Vantrel" }, { "CFBundleIdentifier", "org.vantrel.app" } });
    PellarAppData data(bundle);
    bundle.setInfoDictionary({ { "CFBundleDisplayName", "Later" } });
    EXPECT_FALSE(data.bundleDisplayName());
    EXPECT_EQ(data.bundleName(), "Vantrel");
    EXPECT_EQ(data.bundleIdentifier(), "org.vantrel.app");
    EXPECT_EQ(&PellarAppData::sharedAppData(), &PellarAppData::sharedAppData());
}

} // namespace
