#include "verdict/verdict.h"

#include <cmath>

#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "settings/settings.h"

tExitState StateOf(tOutcome outcome) {
  switch (outcome) {
    case OutcomeGood:
      return StateOk;
    case OutcomeWarning:
      return StateWarning;
    case OutcomeCritical:
      return StateCritical;
  }
  return StateUnknown;
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

int ChooseLatestLog(const std::string& jobKey, const std::string& wideJobKey) {
  int chosen = 0;
  for (int k = 1; k <= LogFileCount; ++k) {
    const tFichierXML& slot = Slot(k);
    if (!NamesTheJob(slot.JobName, jobKey, wideJobKey)) continue;
    // Equal dates keep the earlier slot.
    if (chosen == 0 || slot.FileDate > Slot(chosen).FileDate) chosen = k;
  }
  return chosen;
}

std::int32_t AgeInDays(tDateTime fileDate, tDateTime todayMidnight) {
  const double days = std::trunc(std::fabs(todayMidnight - fileDate));
  // A date too far off to count in 32 bits is simply older than any limit.
  if (!(days < static_cast<double>(INT32_MAX))) return INT32_MAX;
  return static_cast<std::int32_t>(days);
}

tVerdict JudgeLatestLog(int chosen, const std::string& jobName, std::int32_t warningDays,
                        std::int32_t criticalDays, tDateTime todayMidnight) {
  if (chosen == 0) return {"jobvigil : No XML file for job name " + jobName, StateUnknown};
  const tFichierXML& Current = Slot(chosen);
  const std::string date = DateToText(Current.FileDate);
  const std::int32_t ageDays = AgeInDays(Current.FileDate, todayMidnight);
  const std::string tooOld = "Job: " + jobName + ", last result " + date + " is older than ";
  if (criticalDays > 0 && ageDays > criticalDays)
    return {tooOld + NumberToText(criticalDays) + " days", StateCritical};
  if (warningDays > 0 && ageDays > warningDays)
    return {tooOld + NumberToText(warningDays) + " days", StateWarning};

  // A good run is reported without the "Status: " that the others carry.
  const tOutcome outcome = ClassifyStatus(Current.StatusId);
  const std::string status =
      outcome == OutcomeGood ? Current.StatusText : "Status: " + Current.StatusText;
  return {"Job: " + jobName + ", " + status + ", Date:" + date, StateOf(outcome)};
}

void DeliverVerdict() {
  PrintDebug(SeparatorLine);
  PrintDebug("Searching entries for job " + JobName);
  const int chosen = ChooseLatestLog(JobKey, WideJobKey);
  if (chosen != 0) {
    const tFichierXML& Current = Slot(chosen);
    PrintDebug("Found most recent entry for job " + JobName);
    PrintDebug("  In file : " + LogDirectory + Current.FileName);
    PrintDebug("  File date : " + DateToText(Current.FileDate));
    PrintDebug("  Status ID : " + NumberToText(Current.StatusId) + " (" + Current.StatusText + ")");
  }
  const tVerdict verdict =
      JudgeLatestLog(chosen, JobName, WarningDays, CriticalDays, MidnightOf(LocalTimeNow()));
  StopWith(verdict.Line, verdict.State);
}
