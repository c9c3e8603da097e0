#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(BundleTest, InfoDictionaryIsWhatTheAppHandsIn)
{
    Bundle bundle;
    EXPECT_EQ(bundle.bundleIdentifier(), std::nullopt);
    bundle.setInfoDictionary({ { Bundle::kNameKey, "Vantrel" }, { Bundle::kIdentifierKey, "org.vantrel.Vantrel" } });
    EXPECT_EQ(bundle.objectForInfoDictionaryKey(Bundle::kNameKey), "Vantrel");
    EXPECT_EQ(bundle.bundleIdentifier(), "org.vantrel.Vantrel");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey(Bundle::kDisplayNameKey), std::nullopt);
    EXPECT_EQ(&Bundle::mainBundle(), &Bundle::mainBundle());
}

TEST(BundleTest, ResourcesAreFoundOnlyInsideTheResourceFolder)
{
    TempDir dir;
    ASSERT_TRUE(Paths::createDirectories(dir / "resources/images"));
    ASSERT_TRUE(Paths::writeFileAtomically(dir / "resources/MainView.json", "{}"));
    ASSERT_TRUE(Paths::writeFileAtomically(dir / "resources/images/icon.png", "png"));
    ASSERT_TRUE(Paths::writeFileAtomically(dir / "secret.txt", "outside"));

    Bundle bundle;
    EXPECT_EQ(bundle.pathForResource("MainView", "json"), std::nullopt) << "no resource folder yet";
    bundle.setResourcePath(dir / "resources");
    EXPECT_EQ(bundle.pathForResource("MainView", "json"), dir / "resources/MainView.json");
    EXPECT_EQ(bundle.pathForResource("MainView.json", ""), dir / "resources/MainView.json");
    EXPECT_EQ(bundle.pathForResource("images/icon", "png"), dir / "resources/images/icon.png");
    EXPECT_EQ(bundle.pathForResource("Missing", "json"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("../secret", "txt"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource((dir / "secret").string(), "txt"), std::nullopt);
}
