#include <gtest/gtest.h>

#include <thread>

#include "json/JSONDeserializer.h"
#include "json/JSONValue.h"

TEST(JSONValue, BuiltDictionariesReplaceDuplicatesInPlace)
{
    auto dictionary = JSONValue::dictionary(
        { { "a", JSONValue::number(1) }, { "b", JSONValue::number(2) }, { "a", JSONValue::string("x") } });
    ASSERT_EQ(dictionary.size(), 2u);
    EXPECT_EQ(dictionary.keyAt(0), "a");
    EXPECT_EQ(dictionary.valueAt(0), JSONValue::string("x"));
    EXPECT_EQ(dictionary.find("b"), JSONValue::number(2));
    EXPECT_FALSE(dictionary.find("c"));
    EXPECT_FALSE(JSONValue::number(1).find("a"));
}

TEST(JSONValue, BooleansAreNumbersThatRememberHowTheyWereMade)
{
    EXPECT_TRUE(JSONValue::boolean(true).isNumber());
    EXPECT_EQ(JSONValue::boolean(true).numberValue(), 1.0);
    EXPECT_NE(JSONValue::boolean(true), JSONValue::number(1));
    EXPECT_NE(JSONValue::string("a"), JSONValue::data("a"));
    EXPECT_NE(JSONValue::date(1), JSONValue::number(1));
}

TEST(JSONValue, IllFormedTextIsRepairedOnCreation)
{
    EXPECT_EQ(JSONValue::string("a\xC0z").stringValue(), "a\xEF\xBF\xBDz");
    EXPECT_EQ(JSONValue::data("a\xC0z").stringValue(), "a\xC0z"); // data keeps its bytes
}

TEST(JSONValue, OutlivesItsSourcesAndCrossesThreads)
{
    JSONValue inner;
    {
        auto parsed = JSONDeserializer().deserialize("[{\"k\":\"v\"}]");
        ASSERT_TRUE(parsed);
        inner = (*parsed)[0];
    }
    // A container built from values of other arenas keeps those arenas alive.
    JSONValue outer;
    {
        auto element = JSONValue::string("e");
        outer = JSONValue::array({ element, inner });
    }
    JSONValue fromThread;
    std::thread([&] { fromThread = *JSONDeserializer().deserialize("{\"t\":[1,2]}"); }).join();
    EXPECT_EQ(outer[1].find("k"), JSONValue::string("v"));
    EXPECT_EQ(outer[0].stringValue(), "e");
    EXPECT_EQ(fromThread.find("t")->size(), 2u);
    EXPECT_TRUE(outer[5].isNull());
}
