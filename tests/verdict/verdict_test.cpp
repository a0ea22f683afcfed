#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include "joblog/joblog.h"
#include "joblog/status.h"

namespace {

// Every code of the table, with its wording and its outcome.
const struct {
  const char* Wording;
  tOutcome Outcome;
} kCodes[kStatusCodeCount] = {{"Not defined", OutcomeCritical},
                              {"Canceled", OutcomeCritical},
                              {"Completed but waiting", OutcomeGood},
                              {"Completed with exceptions", OutcomeWarning},
                              {"Dispatched", OutcomeWarning},
                              {"Waiting", OutcomeWarning},
                              {"Completed with errors", OutcomeCritical},
                              {"Invalid schedule", OutcomeCritical},
                              {"Not defined", OutcomeWarning},
                              {"Not defined", OutcomeWarning},
                              {"Not in window", OutcomeWarning},
                              {"Suspended", OutcomeWarning},
                              {"Pending", OutcomeWarning},
                              {"Recovered", OutcomeWarning},
                              {"Not defined", OutcomeWarning},
                              {"Resumed", OutcomeWarning},
                              {"Active", OutcomeWarning},
                              {"Ready", OutcomeWarning},
                              {"Scheduled", OutcomeWarning},
                              {"Success", OutcomeGood},
                              {"Superceded", OutcomeWarning},
                              {"Auto-aborted", OutcomeCritical},
                              {"To be scheduled", OutcomeWarning},
                              {"Linked job", OutcomeWarning},
                              {"", OutcomeWarning},
                              {"", OutcomeWarning}};

TEST(StatusTexts, GiveEveryCodeItsWordingAndOutcome) {
  InitStatusTexts();
  for (std::int32_t code = 0; code < kStatusCodeCount; ++code) {
    EXPECT_EQ(StatusTextOf(code), kCodes[code].Wording) << "code " << code;
    EXPECT_EQ(ClassifyStatus(code), kCodes[code].Outcome) << "code " << code;
  }
}

TEST(StatusTexts, CallCodesOutsideTheTableUnknownWarnings) {
  InitStatusTexts();
  for (const std::int32_t code : {26, 100, -1, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(StatusTextOf(code), "Unknown status code " + std::to_string(code));
    EXPECT_EQ(ClassifyStatus(code), OutcomeWarning) << "code " << code;
  }
}

TEST(StateOf, GivesEachOutcomeItsExitCode) {
  EXPECT_EQ(StateOf(OutcomeGood), 0);
  EXPECT_EQ(StateOf(OutcomeWarning), 1);
  EXPECT_EQ(StateOf(OutcomeCritical), 2);
}

void SetSlots(std::initializer_list<tFichierXML> slots) {
  LogFileCount = 0;
  for (const tFichierXML& slot : slots) Slot(++LogFileCount) = slot;
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
