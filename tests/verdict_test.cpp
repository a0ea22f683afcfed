#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include "joblog/joblog.h"

namespace {

TEST(StatusTexts, HoldTheWordingOfEveryCode) {
  InitStatusTexts();
  EXPECT_EQ(StatusTextOf(0), "Not defined");
  EXPECT_EQ(StatusTextOf(2), "Completed but waiting");
  EXPECT_EQ(StatusTextOf(3), "Completed with exceptions");
  EXPECT_EQ(StatusTextOf(6), "Completed with errors");
  EXPECT_EQ(StatusTextOf(19), "Success");
  EXPECT_EQ(StatusTextOf(20), "Superceded");
  EXPECT_EQ(StatusTextOf(21), "Auto-aborted");
  EXPECT_EQ(StatusTextOf(23), "Linked job");
  EXPECT_EQ(StatusTextOf(24), "");
  EXPECT_EQ(StatusTextOf(25), "");
  EXPECT_EQ(StatusTextOf(26), "Unknown status code 26");
  EXPECT_EQ(StatusTextOf(-1), "Unknown status code -1");
  EXPECT_EQ(StatusTextOf(INT32_MIN), "Unknown status code -2147483648");
}

TEST(ClassifyStatus, SortsEveryCode) {
  for (std::int32_t code = -3; code <= 30; ++code) {
    tOutcome expected = OutcomeWarning;
    if (code == 2 || code == 19) expected = OutcomeGood;
    if (code == 0 || code == 1 || code == 6 || code == 7 || code == 21) expected = OutcomeCritical;
    EXPECT_EQ(ClassifyStatus(code), expected) << "code " << code;
  }
  EXPECT_EQ(ClassifyStatus(INT32_MAX), OutcomeWarning);
  EXPECT_EQ(ClassifyStatus(INT32_MIN), OutcomeWarning);
}

void SetSlots(std::initializer_list<tFichierXML> slots) {
  LogFileCount = 0;
  for (const tFichierXML& slot : slots) LogFiles[static_cast<std::size_t>(LogFileCount++)] = slot;
}

TEST(ChooseLatestLog, TakesTheLatestDateOfTheJob) {
  SetSlots({{"BE1.xml", 100.5, "NIGHTLY", 19, "Success"},
            {"BE2.xml", 300.0, "WEEKLY", 19, "Success"},
            {"BE3.xml", 200.25, "NIGHTLY", 6, "Completed with errors"},
            {"BE4.xml", 150.0, "NIGHTLY", 3, "Completed with exceptions"}});
  EXPECT_EQ(ChooseLatestLog("NIGHTLY"), 3);
  EXPECT_EQ(ChooseLatestLog("WEEKLY"), 2);
}

TEST(ChooseLatestLog, KeepsTheEarlierSlotOnEqualDates) {
  SetSlots({{"BE1.xml", 10.0, "OTHER", 19, ""},
            {"BE2.xml", 200.0, "NIGHTLY", 19, ""},
            {"BE3.xml", 200.0, "NIGHTLY", 6, ""}});
  EXPECT_EQ(ChooseLatestLog("NIGHTLY"), 2);
}

TEST(ChooseLatestLog, MatchesTheWholeNameExactly) {
  SetSlots({{"BE1.xml", 1.0, "NIGHTLY ", 19, ""},
            {"BE2.xml", 2.0, "NIGHTLY2", 19, ""},
            {"BE3.xml", 3.0, "", 19, ""}});
  EXPECT_EQ(ChooseLatestLog("NIGHTLY"), 0);
  EXPECT_EQ(ChooseLatestLog("NIGHTLY "), 1);
  SetSlots({});
  EXPECT_EQ(ChooseLatestLog("NIGHTLY"), 0);
}

TEST(AgeInDays, CountsWholeDaysFromTodaysMidnight) {
  const double today = 46000.0;
  EXPECT_EQ(AgeInDays(today + 0.9, today), 0);            // earlier today
  EXPECT_EQ(AgeInDays(today - 0.5, today), 0);            // yesterday at noon
  EXPECT_EQ(AgeInDays(today - 1.0, today), 1);            // yesterday at 00:00
  EXPECT_EQ(AgeInDays(today - 2 + 10.0 / 24, today), 1);  // two days ago at 10:00
  EXPECT_EQ(AgeInDays(today + 3.5, today), 3);            // in the future
  EXPECT_EQ(AgeInDays(today - 40000.0, today), 40000);
}

TEST(AgeInDays, StaysWithin32Bits) {
  EXPECT_EQ(AgeInDays(-1e15, 46000.0), INT32_MAX);
  EXPECT_EQ(AgeInDays(1e300, 46000.0), INT32_MAX);
  EXPECT_EQ(AgeInDays(std::numeric_limits<double>::quiet_NaN(), 46000.0), INT32_MAX);
}

}  // namespace
