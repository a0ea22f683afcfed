#include "app/job_list.h"

#include <algorithm>
#include <map>

#include "app/listing_formats.h"
#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

[[noreturn]] void UsageAndEnd() {
  std::vector<std::string> formats = {"the form of the listing, one of"};
  for (const tListingFormat& format : ListingFormats)
    formats.push_back(std::string(format.Name) + " : " + format.Help);
  EndWithUsage({.Program = "jobvigil-jobs",
                .Version = JOBVIGIL_VERSION,
                .About = {"Lists every BackupExec job that XML files name, with the line and exit",
                          "code that jobvigil gives for it."},
                .Arguments = "\"path of XML files\"",
                .Switches = {WarningDaysHelp,
                             CriticalDaysHelp,
                             {"-w, -c", {"no such limit"}},
                             {"--format=<format>", formats},
                             {"--json", {"the same as --format=json"}},
                             {"--host NAME", {"the host whose services icinga2 and nagios write"}},
                             {"--template NAME", {"the template those services import"}},
                             {"--success-hours W,C",
                              {"and a service each for the age of the last",
                               "success, warning after W hours, critical after C"}},
                             {"--success-template NAME", {"the template those services import"}},
                             {"--output FILE",
                              {"into FILE, replaced in one step, instead of the output"}}}});
}

// A name that goes into an engine's configuration as typed by the administrator: nothing that
// ends a line, no blank at either end, and nothing Nagios refuses in an object's name, so that
// it means the same in every engine without escaping.
bool IsPlainObjectName(const std::string& name) {
  return !name.empty() && name.front() != ' ' && name.back() != ' ' &&
         WithStandIns(name, kRefusedInNagiosNames) == name;
}

}  // namespace

std::vector<tListedJob> ListJobs() {
  // Each job's logs in one pass over the table; listed from the last slot, so that of logs of one
  // date the first in table order, which the check chooses, ends up last.
  std::map<std::string, std::vector<int>> logsOf;
  for (int k = LogFileCount; k >= 1; --k) {
    if (!Slot(k).JobName.empty()) logsOf[Slot(k).JobName].push_back(k);
  }
  const tDateTime midnight = MidnightOf(LocalTimeNow());
  std::vector<tListedJob> jobs;
  for (auto& [name, runs] : logsOf) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](int a, int b) { return Slot(a).FileDate < Slot(b).FileDate; });
    int lastSuccess = static_cast<int>(runs.size()) - 1;
    while (lastSuccess >= 0 && ClassifyStatus(Slot(runs[lastSuccess]).StatusId) != OutcomeGood)
      --lastSuccess;
    // Each job as the check matches it when its name is typed back. The latest log's spelling
    // differs from the scanned name in the case of a-z only, so typed back it names the same
    // job and chooses the same log.
    const std::string typed = TypedJobName(name);
    const std::u16string characters = TypedCharacters(typed);
    const int chosen =
        ChooseLatestLog(UpperText(typed), characters.empty() ? "" : Utf16JobKey(characters));
    const tFichierXML* latest = chosen > 0 ? &Slot(chosen) : nullptr;
    const std::string kept = latest ? latest->WrittenName : name;
    // Each byte of the kept name as the ISO-8859-1 character of that number names the same
    // job on every platform; the characters of a UTF-16 log's name are shown instead where,
    // typed back, they choose the same log.
    std::string written = Utf8OfLatin1(kept);
    std::string job = TypedJobName(kept);
    if (latest && !latest->WrittenUtf8.empty()) {
      const std::u16string spelled = Utf16OfUtf8(latest->WrittenUtf8);
      const std::string spelledKey = Utf16JobKey(spelled);
      const std::string spelledTyped = TypedText(spelled);
      if (spelledKey == name && (spelledTyped.empty() ||
                                 ChooseLatestLog(UpperText(spelledTyped), spelledKey) == chosen)) {
        written = latest->WrittenUtf8;
        if (!spelledTyped.empty()) job = spelledTyped;
      }
    }
    const tVerdict verdict = JudgeLatestLog(chosen, job, WarningDays, CriticalDays, midnight);
    jobs.push_back(
        {name, written, job, chosen, verdict.Line, verdict.State, std::move(runs), lastSuccess});
  }
  return jobs;
}

const tFichierXML* LatestLog(const tListedJob& job) {
  return job.Chosen > 0 ? &Slot(job.Chosen) : nullptr;
}

const tFichierXML* LastSuccessLog(const tListedJob& job) {
  return job.LastSuccess >= 0 ? &Slot(job.Runs[job.LastSuccess]) : nullptr;
}

int RunsSinceSuccess(const tListedJob& job) {
  return static_cast<int>(job.Runs.size()) - 1 - job.LastSuccess;
}

std::int64_t UnixSecondsOf(const tFichierXML& log) {
  return UniversalSecondsOf(LocalSecondsOf(log.FileDate));
}

void RunJobList(const std::vector<std::string>& arguments, const std::vector<std::u16string>&) {
  InitStatusTexts();
  if (arguments.empty()) UsageAndEnd();
  SetLogDirectory(arguments[0]);
  tListingRequest request = {arguments[0], "", "", 0, 0, ""};
  const tListingFormat* format = &ListingFormats.front();
  std::string output;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const tSwitch item = ReadSwitch(arguments[i]);
    const std::string upper = UpperText(arguments[i]);
    const bool valued = i + 1 < arguments.size();
    if (arguments[i] == "--json") {
      format = ListingFormatNamed("json");
    } else if (arguments[i].starts_with("--format=")) {
      format = ListingFormatNamed(arguments[i].substr(9));
      if (!format) UsageAndEnd();
    } else if (arguments[i] == "--output" && valued) {
      output = arguments[++i];
    } else if (arguments[i].starts_with("--output=") && arguments[i].size() > 9) {
      output = arguments[i].substr(9);
    } else if (arguments[i] == "--host" && valued) {
      request.Host = arguments[++i];
    } else if (arguments[i] == "--template" && valued) {
      request.Template = arguments[++i];
    } else if (arguments[i] == "--success-template" && valued) {
      request.SuccessTemplate = arguments[++i];
    } else if (arguments[i] == "--success-hours" && valued) {
      const std::string hours = arguments[++i];
      const std::size_t comma = hours.find(',');
      request.SuccessWarningHours = TextToNumber(hours.substr(0, comma));
      request.SuccessCriticalHours =
          comma == std::string::npos ? 0 : TextToNumber(hours.substr(comma + 1));
      if (hours != NumberToText(request.SuccessWarningHours) + "," +
                       NumberToText(request.SuccessCriticalHours) ||
          request.SuccessWarningHours <= 0 || request.SuccessCriticalHours <= 0)
        UsageAndEnd();
    } else if (upper == "-W" || upper == "-C") {
      // A limit left empty, as an agent that pastes its parameters into a command line without
      // a shell passes one: no limit, as the switch left out would give.
      (upper == "-W" ? WarningDays : CriticalDays) = 0;
    } else if (item.Kind == SwitchCritical) {
      CriticalDays = item.Days;
    } else if (item.Kind == SwitchWarning) {
      WarningDays = item.Days;
    } else {
      UsageAndEnd();
    }
  }
  // What the configuration formats write of the command line must stay one line and one name.
  if (format->NeedsLimits && (WarningDays == 0 || CriticalDays == 0)) UsageAndEnd();
  if (format->ForHost &&
      (!IsPlainObjectName(request.Host) ||
       (!request.Template.empty() && !IsPlainObjectName(request.Template)) ||
       (!request.SuccessTemplate.empty() && !IsPlainObjectName(request.SuccessTemplate)) ||
       std::any_of(request.Directory.begin(), request.Directory.end(),
                   [](char c) { return static_cast<unsigned char>(c) < 0x20; })))
    UsageAndEnd();
  StopLineForm = format->Writer->Stop;
  if (!output.empty()) SendOutputTo(output);
  ScanLogDirectory();
  ReadEveryLogFile();
  format->Writer->Jobs(ListJobs(), request);
  EndRun(StateOk);
}
