#include <gtest/gtest.h>

#include "platform/Cp932Text.h"

TEST(Cp932Text, ShowsTheGlitchPunctuationAsFullWidthCharacters) {
    // " ： ；"
    EXPECT_EQ(cp932::ToUtf8(" \x81\x46 \x81\x47"), " \xEF\xBC\x9A \xEF\xBC\x9B");
}

TEST(Cp932Text, KeepsTheBackslashOfStoredPaths) {
    // "ファイル []\,,,,;,,.bmp は開けません."
    const std::string message =
        "\x83\x74\x83\x40\x83\x43\x83\x8b []\\,,,,;,,.bmp \x82\xcd\x8a\x4a\x82\xaf\x82\xdc\x82\xb9"
        "\x82\xf1.";
    EXPECT_EQ(cp932::ToUtf8(message),
              "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB []\\,,,,;,,.bmp "
              "\xE3\x81\xAF\xE9\x96\x8B\xE3\x81\x91\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93.");
}

TEST(Cp932Text, ReplacesBadBytesAndKeepsTheRest) {
    EXPECT_EQ(cp932::ToUtf8("a\xA0z"), "a\xEF\xBF\xBDz");
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(cp932::ToUtf8("ab\x82"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(cp932::ToUtf8(""), "");
}

TEST(Cp932Text, ConvertsUtf8BackOrFails) {
    bool ok = false;
    EXPECT_EQ(cp932::FromUtf8("/home/\xE3\x83\x95/Project1", ok), "/home/\x83\x74/Project1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(cp932::FromUtf8("\xF0\x9F\x98\x80", ok), "");  // no such character
    EXPECT_FALSE(ok);
    EXPECT_EQ(cp932::FromUtf8("\xFF", ok), "");  // no UTF-8
    EXPECT_FALSE(ok);
}
