#include "joblog/status.h"

#include <array>

#include "text/text.h"

namespace {

std::array<std::string, kStatusCodeCount> StatusTexts;

}  // namespace

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
