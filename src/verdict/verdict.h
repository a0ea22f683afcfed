// The verdict: the sorting of status codes into outcomes, the choice of the job's most recent
// log, the age limits and the final line with its exit code. The driver delivers the verdict and
// the listing takes it for each job; the success check, the HTML writer, the sample tool and the
// tests use its parts.
#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"
#include "text/text.h"

enum tOutcome { OutcomeGood, OutcomeWarning, OutcomeCritical };

/// Good for 2 and 19, critical for 0, 1, 6, 7 and 21, a warning for every other code.
tOutcome ClassifyStatus(std::int32_t code);

/// The state an engine is told for the outcome: OK, WARNING or CRITICAL.
tExitState StateOf(tOutcome outcome);

/// The slot (from 1) of the most recent log naming the job: the first of the latest
/// candidates in table order. 0 when no log names it.
int ChooseLatestLog(const std::string& jobKey, const std::string& wideJobKey = "");

/// Whole days between the file date and today's midnight, whichever is later; kept within 32
/// bits.
std::int32_t AgeInDays(tDateTime fileDate, tDateTime todayMidnight);

/// What a check answers: the one line it prints and the state it ends with.
struct tVerdict {
  std::string Line;
  tExitState State;
};

/// The answer for the job named `jobName` (as typed) whose latest log is slot `chosen` (from 1;
/// 0 when no log names it), with the age limits (0 for none) and today's midnight.
tVerdict JudgeLatestLog(int chosen, const std::string& jobName, std::int32_t warningDays,
                        std::int32_t criticalDays, tDateTime todayMidnight);

/// Chooses the job's latest log, applies the age limits and the status outcome, and ends the
/// run with the verdict line and its exit code.
[[noreturn]] void DeliverVerdict();
