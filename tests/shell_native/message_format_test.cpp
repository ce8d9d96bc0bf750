// Bounded wsprintf-style formatting of the programs' messages, and the
// wrap-safe wait test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "messages_core.h"

namespace {

std::string Format(const char* format, ...) {
    char out[kMessageTextChars + 1];
    va_list args;
    va_start(args, format);
    FormatMessageTextV(out, sizeof out, format, args);
    va_end(args);
    return out;
}

TEST(MessageFormat, FillsTheMessagesPlaceholders) {
    EXPECT_EQ(Format("Drive %c: contains %ldK of free disk space.\nSetup requires a minimum of %ldK.", 'D', 700,
                     1320),
              "Drive D: contains 700K of free disk space.\nSetup requires a minimum of 1320K.");
    EXPECT_EQ(Format("%s needs Windows version 3.1 or above. %s cannot be installed.", "Vireo", "Vireo"),
              "Vireo needs Windows version 3.1 or above. Vireo cannot be installed.");
    EXPECT_EQ(Format("SYSTEM.%03d and WIN.%03d", 1, 42), "SYSTEM.001 and WIN.042");
    EXPECT_EQ(Format(" dwNeeded = %d   ,   dwReturned = %d \n", 200, 0), " dwNeeded = 200   ,   dwReturned = 0 \n");
}

TEST(MessageFormat, NumbersAreThirtyTwoBit) {
    EXPECT_EQ(Format("%d", -5), "-5");
    EXPECT_EQ(Format("%ld", static_cast<int>(0x80000000u)), "-2147483648");
    EXPECT_EQ(Format("%u", 0xFFFFFFFFu), "4294967295");
    EXPECT_EQ(Format("%lu", 7u), "7");
    EXPECT_EQ(Format("%x %X", 0xBEEFu, 0xBEEFu), "beef BEEF");
    EXPECT_EQ(Format("%hd", 0x12345), "9029") << "h keeps the low 16 bits";
    EXPECT_EQ(Format("%i", 12), "12");
}

TEST(MessageFormat, WidthsFlagsAndPrecision) {
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(Format("[%.3d]", 7), "[007]");
    EXPECT_EQ(Format("[%6s]", "ab"), "[    ab]");
    EXPECT_EQ(Format("[%-4s]", "ab"), "[ab  ]");
    EXPECT_EQ(Format("[%.2s]", "abcdef"), "[ab]");
    EXPECT_EQ(Format("[%3c]", 'z'), "[  z]");
}

TEST(MessageFormat, OddDirectivesAreHarmless) {
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%q"), "q") << "an unknown conversion is copied";
    EXPECT_EQ(Format("ends with %"), "ends with ");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Format("[%99999999999999999999d]", 1).size(), kMessageTextChars) << "a huge width is cut, not overrun";
    char big[1100];
    FormatMessageText(big, sizeof big, "[%99999d]", 1);
    EXPECT_EQ(std::strlen(big), 1002u) << "widths are held to 1000";
}

TEST(MessageFormat, NeverWritesBeyondTheBuffer) {
    char out[8];
    std::memset(out, '#', sizeof out);
    EXPECT_FALSE(FormatMessageText(out, 6, "%s", "abcdefgh"));
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(out[6], '#');
    EXPECT_EQ(out[7], '#');
    EXPECT_FALSE(FormatMessageText(out, 1, "x"));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(FormatMessageText(out, 0, "x"));
    EXPECT_EQ(out[0], '\0') << "size 0 writes nothing";
    EXPECT_TRUE(FormatMessageText(out, sizeof out, "%d", 1234567));
    EXPECT_STREQ(out, "1234567");
    EXPECT_FALSE(FormatMessageText(out, sizeof out, "%d", 12345678));
    EXPECT_STREQ(out, "1234567");
}

TEST(MessageFormat, AMessageIsAtMost511Characters) {
    std::string path(600, 'P');
    std::string text = Format("The %s file cannot be loaded onto your system.", path.c_str());
    EXPECT_EQ(text.size(), kMessageTextChars);
    EXPECT_EQ(text.substr(0, 6), "The PP");
    std::string padded = Format("%900d", 1);
    EXPECT_EQ(padded.size(), kMessageTextChars);
}

TEST(WaitTicks, ElapsedAcrossTheCounterWrap) {
    EXPECT_TRUE(TicksElapsed(100, 100, 0)) << "a zero wait is over at once";
    EXPECT_FALSE(TicksElapsed(100, 1099, 1000));
    EXPECT_TRUE(TicksElapsed(100, 1100, 1000));
    // Started 500 ms before the wrap.
    EXPECT_FALSE(TicksElapsed(0xFFFFFE0Cu, 0xFFFFFFFFu, 1000));
    EXPECT_FALSE(TicksElapsed(0xFFFFFE0Cu, 499, 1000));
    EXPECT_TRUE(TicksElapsed(0xFFFFFE0Cu, 500, 1000));
    EXPECT_TRUE(TicksElapsed(0xFFFFFE0Cu, 600, 1000));
}

}  // namespace
