#include "listing/listing.h"

#include <algorithm>
#include <map>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "listing/formats.h"
#include "listing/schedule.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

// What the command line asks of the listing beyond the run settings.
struct tListingOptions {
  tListingRequest Request;
  const tListingFormat* Format;
  std::string Output;                 // the file to replace; empty for standard output
  std::vector<std::string> Included;  // patterns of the jobs listed; empty for every job
  std::vector<std::string> Excluded;  // patterns of the jobs left out
};

// How a switch of the listing takes its value.
enum tTakes {
  TakesNothing,       // "--json"
  TakesNext,          // "--host NAME": the next argument, which must be there
  TakesNextOrJoined,  // "--output FILE" or "--output=FILE", not empty
  TakesJoined,        // "--format=NAME"
  TakesAttached,      // "-w<n>": the rest of the argument, in either case, empty included
};

// One switch of the listing: its name, how it takes its value, its lines in the usage text, and
// how it is read: false where the value cannot be used, which ends the run with the usage text.
struct tListingSwitch {
  std::string Name;
  tTakes Takes;
  tSwitchHelp Usage;
  bool (*Read)(const std::string& value, tListingOptions& options);
  bool AsName = false;  // its value is matched with names: the characters typed, in UTF-8
};

// An age limit in days as the check reads it, or none where the value is empty, as an agent that
// pastes its parameters into a command line without a shell passes a limit left empty.
bool ReadDays(const std::string& value, std::int32_t& days) {
  days = value.empty() ? 0 : TextToNumber(UpperText(value));
  return value.empty() || days > 0;
}

// A value that goes into a mail's header: never a line end or other control character, which
// would begin a header of the value's making, and ASCII but where it is text (`anyText`), which
// the header encodes.
bool IsHeaderText(const std::string& value, bool anyText) {
  return !value.empty() && std::none_of(value.begin(), value.end(), [&](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F || (b > 0x7F && !anyText);
  });
}

// The formats' names and help lines, for the usage text.
std::vector<std::string> FormatsHelp() {
  std::vector<std::string> lines = {"the form of the listing, one of"};
  for (const tListingFormat& format : ListingFormats)
    lines.push_back(std::string(format.Name) + " : " + format.Help);
  return lines;
}

// Every switch of the listing, in the order of the usage text.
const std::vector<tListingSwitch>& ListingSwitches() {
  static const std::vector<tListingSwitch> kSwitches = {
      {"-w", TakesAttached, WarningDaysHelp,
       [](const std::string& value, tListingOptions&) { return ReadDays(value, WarningDays); }},
      {"-c",
       TakesAttached,
       {CriticalDaysHelp.Switch, {CriticalDaysHelp.Help.front(), "-w or -c alone: no such limit"}},
       [](const std::string& value, tListingOptions&) { return ReadDays(value, CriticalDays); }},
      {"--format",
       TakesJoined,
       {"--format=<format>", FormatsHelp()},
       [](const std::string& value, tListingOptions& options) {
         options.Format = ListingFormatNamed(value);
         return options.Format != nullptr;
       }},
      {"--json",
       TakesNothing,
       {"--json", {"the same as --format=json"}},
       [](const std::string&, tListingOptions& options) {
         options.Format = ListingFormatNamed("json");
         return true;
       }},
      {"--host",
       TakesNext,
       {"--host NAME", {"the host whose services icinga2 and nagios write"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.Host = value;
         return true;
       }},
      {"--template",
       TakesNext,
       {"--template NAME", {"the template those services import"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.Template = value;
         return true;
       }},
      {"--success-hours",
       TakesNext,
       {"--success-hours W,C",
        {"and a service each for the age of the last",
         "success, warning after W hours, critical after C"}},
       [](const std::string& value, tListingOptions& options) {
         const std::size_t comma = value.find(',');
         std::int32_t& warning = options.Request.SuccessWarningHours;
         std::int32_t& critical = options.Request.SuccessCriticalHours;
         warning = TextToNumber(value.substr(0, comma));
         critical = comma == std::string::npos ? 0 : TextToNumber(value.substr(comma + 1));
         return value == NumberToText(warning) + "," + NumberToText(critical) && warning > 0 &&
                critical > 0;
       }},
      {"--overdue-services",
       TakesNothing,
       {"--overdue-services",
        {"and a service each that warns once its next run",
         "is overdue by the schedule its runs show"}},
       [](const std::string&, tListingOptions& options) {
         options.Request.OverdueServices = true;
         return true;
       }},
      {"--overdue-template",
       TakesNext,
       {"--overdue-template NAME", {"the template those services import"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.OverdueTemplate = value;
         return true;
       }},
      {"--success-template",
       TakesNext,
       {"--success-template NAME", {"the template those services import"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.SuccessTemplate = value;
         return true;
       }},
      {"--include",
       TakesNextOrJoined,
       {"--include PATTERN",
        {"only the jobs whose names match, * any characters,", "? one; again for more"}},
       [](const std::string& value, tListingOptions& options) {
         options.Included.push_back(value);
         return true;
       },
       true},
      {"--exclude",
       TakesNextOrJoined,
       {"--exclude PATTERN", {"not the jobs whose names match; again for more"}},
       [](const std::string& value, tListingOptions& options) {
         options.Excluded.push_back(value);
         return true;
       },
       true},
      {"--to",
       TakesNext,
       {"--to ADDRESSES", {"the recipients of the mail, as its To: line"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.MailTo = value;
         return IsHeaderText(value, false);
       }},
      {"--from",
       TakesNext,
       {"--from ADDRESS", {"its sender; jobvigil at this machine if none"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.MailFrom = value;
         return IsHeaderText(value, false);
       }},
      {"--subject-prefix",
       TakesNext,
       {"--subject-prefix TEXT", {"what its subject begins with"}},
       [](const std::string& value, tListingOptions& options) {
         options.Request.SubjectPrefix = value;
         return IsHeaderText(value, true);
       },
       true},
      {"--output",
       TakesNextOrJoined,
       {"--output FILE", {"into FILE, replaced in one step, instead of the output"}},
       [](const std::string& value, tListingOptions& options) {
         options.Output = value;
         return true;
       }},
  };
  return kSwitches;
}

tUsage ListingUsage() {
  tUsage usage = {
      .Program = "jobvigil-jobs",
      .Version = JOBVIGIL_VERSION,
      .About = {"Lists every BackupExec job that XML files name, with the line and exit",
                "code that jobvigil gives for it."},
      .Arguments = "\"path of XML files\"",
      .Switches = {}};
  for (const tListingSwitch& item : ListingSwitches()) usage.Switches.push_back(item.Usage);
  usage.Switches.push_back(HelpSwitchHelp);
  usage.Switches.push_back(VersionSwitchHelp);
  return usage;
}

[[noreturn]] void UsageAndEnd() { EndWithUsage(ListingUsage(), StateUnknown); }

// How many of the arguments from `at` on the switch takes, with its value; 0 where the argument
// at `at` is not that switch.
std::size_t Match(const tListingSwitch& item, const std::vector<std::string>& arguments,
                  std::size_t at, std::string& value) {
  const std::string& argument = arguments[at];
  const std::string joined = item.Name + "=";
  switch (item.Takes) {
    case TakesNothing:
      return argument == item.Name ? 1 : 0;
    case TakesNextOrJoined:
      if (argument.starts_with(joined) && argument.size() > joined.size()) {
        value = argument.substr(joined.size());
        return 1;
      }
      [[fallthrough]];
    case TakesNext:
      if (argument != item.Name || at + 1 == arguments.size()) return 0;
      value = arguments[at + 1];
      return 2;
    case TakesJoined:
      if (!argument.starts_with(joined)) return 0;
      value = argument.substr(joined.size());
      return 1;
    case TakesAttached:
      if (!UpperText(argument).starts_with(UpperText(item.Name))) return 0;
      value = argument.substr(item.Name.size());
      return 1;
  }
  return 0;
}

// Whether the UTF-8 name matches the pattern, as the check matches names: ASCII letters of
// either case alike, every other byte as it is; "*" stands for any characters and "?" for one.
// A name that holds "*" or "?" matches itself.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  const auto next = [](std::string_view text, std::size_t at) {
    do ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
    return at;
  };
  // Where the pattern goes on after the last "*", and the name's byte that "*" last ended at.
  std::size_t star = std::string_view::npos, resume = 0;
  std::size_t n = 0, p = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      resume = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      n = next(name, n);
      ++p;
    } else if (p < pattern.size() && UpperAscii(pattern[p]) == UpperAscii(name[n])) {
      ++n;
      ++p;
    } else if (star != std::string_view::npos) {
      p = star;
      n = resume = next(name, resume);
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
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
  const tLocalSeconds now = LocalTimeNow();
  const tDateTime midnight = MidnightOf(now);
  const std::int64_t trueNow = UniversalSecondsOf(now);
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
    // Whatever their status: a failed run is a run, and it came.
    std::vector<std::int64_t> ended;
    for (const int k : runs) ended.push_back(LocalSecondsOf(Slot(k).FileDate));
    const std::optional<std::int64_t> due = NextRunDue(std::move(ended));
    jobs.push_back({name, written, job, chosen, verdict.Line, verdict.State, std::move(runs),
                    lastSuccess, due, due && trueNow > UniversalSecondsOf(*due)});
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

std::optional<std::int64_t> UnixSecondsDue(const tListedJob& job) {
  if (!job.NextRunDue) return std::nullopt;
  return UniversalSecondsOf(*job.NextRunDue);
}

void RunJobList(const std::vector<std::string>& arguments,
                const std::vector<std::u16string>& characters) {
  InitStatusTexts();
  AnswerHelpOrVersion(arguments, ListingUsage());
  if (arguments.empty()) UsageAndEnd();
  SetLogDirectory(arguments[0]);
  tListingOptions options = {
      {arguments[0], "", "", 0, 0, "", false, "", "", "", ""}, &ListingFormats.front(), "", {}, {}};
  // The arguments as the names in the listing are written, where the platform tells the
  // characters typed: in UTF-8.
  std::vector<std::string> typed = arguments;
  for (std::size_t i = 0; i < typed.size() && i < characters.size(); ++i) {
    if (!characters[i].empty()) typed[i] = Utf8OfUtf16(characters[i]);
  }
  for (std::size_t i = 1; i < arguments.size();) {
    std::size_t taken = 0;
    for (const tListingSwitch& item : ListingSwitches()) {
      std::string value;
      taken = Match(item, item.AsName ? typed : arguments, i, value);
      if (taken == 0) continue;
      if (!item.Read(value, options)) UsageAndEnd();
      break;
    }
    if (taken == 0) UsageAndEnd();
    i += taken;
  }
  const tListingFormat* format = options.Format;
  const tListingRequest& request = options.Request;
  // What the configuration formats write of the command line must stay one line and one name.
  if (format->NeedsLimits && (WarningDays == 0 || CriticalDays == 0)) UsageAndEnd();
  if (format->ForHost &&
      (!IsPlainObjectName(request.Host) ||
       (!request.Template.empty() && !IsPlainObjectName(request.Template)) ||
       (!request.SuccessTemplate.empty() && !IsPlainObjectName(request.SuccessTemplate)) ||
       (!request.OverdueTemplate.empty() && !IsPlainObjectName(request.OverdueTemplate)) ||
       std::any_of(request.Directory.begin(), request.Directory.end(),
                   [](char c) { return static_cast<unsigned char>(c) < 0x20; })))
    UsageAndEnd();
  if (format->NeedsRecipients && request.MailTo.empty()) UsageAndEnd();
  StopRequest = request;
  StopLineForm = format->Writer->Stop;
  if (!options.Output.empty()) SendOutputTo(options.Output);
  ScanLogDirectory();
  ReadEveryLogFile();
  std::vector<tListedJob> jobs = ListJobs();
  const auto matches = [](const std::vector<std::string>& patterns, const tListedJob& job) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
      return MatchesPattern(job.Written, pattern);
    });
  };
  std::erase_if(jobs, [&](const tListedJob& job) {
    return (!options.Included.empty() && !matches(options.Included, job)) ||
           matches(options.Excluded, job);
  });
  format->Writer->Jobs(jobs, request);
  EndRun(StateOk);
}
