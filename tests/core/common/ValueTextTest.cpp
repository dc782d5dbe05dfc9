#include "TestSupport.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"

#include <QStringList>

using namespace vantrel;

TEST(LeadingNumber, ReadsTheNumberAtTheStart)
{
    const struct
    {
        const char *text;
        double expected;
    } cases[] = {
        {"2", 2},   {"2abc", 2},     {"  2", 2}, {"2.5", 2.5},
        {"-1", -1}, {"", 0},         {"abc", 0}, {".5", 0.5},
        {"+3", 3},  {"12.2k", 12.2}, {"1 2", 1}, {"-", 0},
        {"7.", 7},  {"0x10", 0},     {"\t4", 4}, {"99999999999", 99999999999.0},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(leadingNumber(qs(c.text)), c.expected) << c.text;
}

TEST(NumberText, WritesTheUsualForm)
{
    EXPECT_EQ(numberText(3), qs("3"));
    EXPECT_EQ(numberText(2.5), qs("2.5"));
    EXPECT_EQ(numberText(-1), qs("-1"));
    EXPECT_EQ(numberText(0), qs("0"));
    EXPECT_EQ(numberText(-0.0), qs("0"));
    EXPECT_EQ(numberText(1234567), qs("1234567"));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    const double cases[][2] = {{12.5, 12}, {13.5, 14}, {0.5, 0},    {1.5, 2},   {2.5, 2},
                               {-0.5, 0},  {-1.5, -2}, {25.05, 25}, {12.2, 12}, {12.7, 13}};
    for (const auto &c : cases)
        EXPECT_EQ(roundHalfEven(c[0]), c[1]) << c[0];
}

TEST(ToInt16, ConvertsWholeNumericTextsWithinRange)
{
    EXPECT_EQ(toInt16(qs("128")), qint16(128));
    EXPECT_EQ(toInt16(qs("12.2")), qint16(12));
    EXPECT_EQ(toInt16(qs("12.5")), qint16(12));
    EXPECT_EQ(toInt16(qs("13.5")), qint16(14));
    EXPECT_EQ(toInt16(qs(" 2 ")), qint16(2));
    EXPECT_EQ(toInt16(qs("-32768")), qint16(-32768));
    EXPECT_EQ(toInt16(qs("32767")), qint16(32767));
    EXPECT_EQ(toInt16(qs("32767.4")), qint16(32767));
    for (const char *bad :
         {"", "abc", "12abc", "32768", "32767.5", "-32769", "inf", "nan", "1,000", "12.2k"})
        EXPECT_FALSE(toInt16(qs(bad)).has_value()) << bad;
}

TEST(TimeText, ShowsSecondsAsTimeOfDay)
{
    const struct
    {
        qint64 seconds;
        const char *text;
    } cases[] = {
        {0, "0:00:00"},     {5, "0:00:05"},      {65, "0:01:05"},     {205, "0:03:25"},
        {3600, "1:00:00"},  {36000, "10:00:00"}, {86399, "23:59:59"}, {86400, "0:00:00"},
        {90061, "1:01:01"}, {-30, "23:59:30"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(timeText(c.seconds), qs(c.text)) << c.seconds;
}

TEST(TimeText, ReadsTimesOfDayBackAsSeconds)
{
    const struct
    {
        const char *text;
        int seconds;
    } cases[] = {
        {"0:00:00", 0},     {"00:00:00", 0},     {"0:03:25", 205},  {"10:00:00", 36000},
        {"9:00:00", 32400}, {"23:59:59", 86399}, {" 0:01:00 ", 60}, {"7:05", 25500},
    };
    for (const auto &c : cases)
        EXPECT_EQ(secondsOfTimeText(qs(c.text)), c.seconds) << c.text;
}

TEST(TimeText, RejectsTextsThatAreNoTimeOfDay)
{
    for (const char *bad : {"", "abc", "24:00:00", "0:60:00", "0:00:60", "1:2:3:4", "-1:00:00",
                            "0:00:0a", "205", "1.5:00:00", "٣:00:00"})
        EXPECT_FALSE(secondsOfTimeText(qs(bad)).has_value()) << bad;
}

TEST(TimeText, RoundTripsEverySecondOfADay)
{
    for (int s = 0; s < 86400; s += 7)
        ASSERT_EQ(secondsOfTimeText(timeText(s)), s);
}
