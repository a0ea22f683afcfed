#include "verdict/verdict.h"

std::array<std::string, kStatusCodeCount> StatusTexts;

void InitStatusTexts() {
  // "Superceded" is the wording users already match on; it stays as it is.
  StatusTexts = {"Not defined",
                 "Canceled",
                 "Completed but waiting",
                 "Completed with exceptions",
                 "Dispatched",
                 "Waiting",
                 "Completed with errors",
                 "Invalid schedule",
                 "Not defined",
                 "Not defined",
                 "Not in window",
                 "Suspended",
                 "Pending",
                 "Recovered",
                 "Not defined",
                 "Resumed",
                 "Active",
                 "Ready",
                 "Scheduled",
                 "Success",
                 "Superceded",
                 "Auto-aborted",
                 "To be scheduled",
                 "Linked job",
                 "",  // 24 and 25 have no wording: "Status: , Date:..." is what users see
                 ""};
}

std::string StatusTextOf(std::int32_t code) {
  if (code >= 0 && code < kStatusCodeCount) return StatusTexts[static_cast<std::size_t>(code)];
  return "Unknown status code " + NumberToText(code);
}

tOutcome ClassifyStatus(std::int32_t code) {
  switch (code) {
    case 2:
    case 19:
      return OutcomeGood;
    case 0:
    case 1:
    case 6:
    case 7:
    case 21:
      return OutcomeCritical;
    default:
      return OutcomeWarning;
  }
}
