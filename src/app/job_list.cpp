#include "app/job_list.h"

#include <algorithm>
#include <array>
#include <set>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

const char kHexDigits[] = "0123456789abcdef";

[[noreturn]] void UsageAndEnd() {
  for (const std::string& line :
       {std::string(), "jobvigil-jobs " + Version, std::string(),
        std::string("    Lists every BackupExec job that XML files name, with the line and exit"),
        std::string("    code that jobvigil gives for it."), std::string(),
        std::string("    Usage : jobvigil-jobs \"path of XML files\" [switches]"), std::string(),
        std::string("    Valid switches are :"),
        std::string("      -w<n> : warning if last result is older than <n> days"),
        std::string("      -c<n> : critical if last result is older than <n> days"),
        std::string("      -w, -c : no such limit"),
        std::string("      --json : one JSON array of the jobs, in UTF-8"), std::string()})
    WriteLine(line);
  EndRun(StateUnknown);
}

const char* StateName(int state) {
  switch (state) {
    case StateOk:
      return "OK";
    case StateWarning:
      return "WARNING";
    case StateCritical:
      return "CRITICAL";
    default:
      return "UNKNOWN";
  }
}

// The columns a text takes: its characters, counting bytes that do not continue a UTF-8 one.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width > Width(text) ? width - Width(text) : 0, ' ');
}

const tFichierXML& Slot(int k) { return LogFiles[static_cast<std::size_t>(k - 1)]; }

// The latest log's file name and date, empty for a job that no log answered for.
std::string LogName(const tListedJob& job) {
  return job.Chosen > 0 ? Slot(job.Chosen).FileName : "";
}
std::string LogDate(const tListedJob& job) {
  return job.Chosen > 0 ? DateToText(Slot(job.Chosen).FileDate) : "";
}

void WriteTable(const std::vector<tListedJob>& jobs) {
  std::vector<std::array<std::string, 5>> rows = {{"JOB", "STATE", "DATE", "LOG", "LINE"}};
  for (const tListedJob& job : jobs)
    rows.push_back({job.Job, StateName(job.State), LogDate(job), LogName(job), job.Line});
  std::size_t widths[4] = {};
  for (const auto& row : rows) {
    for (int i = 0; i < 4; ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (int i = 0; i < 4; ++i) line += Padded(row[i], widths[i]) + "  ";
    WriteLine(line + row[4]);
  }
}

void WriteJson(const std::vector<tListedJob>& jobs) {
  WriteLine("[");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tListedJob& job = jobs[i];
    // The job as the scanner read it, each byte the ISO-8859-1 character of that number, which
    // typed back names the same job on every platform.
    // Its bytes in hexadecimal as well, a key that a JSONPath filter or an item key can hold
    // whatever quotes the name has.
    std::string id;
    for (const char c : job.Scanned) {
      id += kHexDigits[static_cast<unsigned char>(c) >> 4];
      id += kHexDigits[c & 15];
    }
    WriteLine("  {\"job\": " + JsonString(Utf8OfLatin1(job.Scanned)) + ", \"id\": \"" + id + "\"" +
              ", \"state\": " + NumberToText(job.State) + ", \"line\": " + JsonString(job.Line) +
              ", \"log\": " + JsonString(LogName(job)) + ", \"date\": " + JsonString(LogDate(job)) +
              "}" + (i + 1 < jobs.size() ? "," : ""));
  }
  WriteLine("]");
}

// A listing that cannot be made, as JSON: an object where the jobs' array would stand, so that
// a monitoring system reads the failure and its line instead of text it cannot parse.
void WriteJsonStop(const std::string& text, tExitState state) {
  WriteLine("{\"state\": " + NumberToText(state) + ", \"line\": " + JsonString(text) + "}");
}

}  // namespace

std::vector<tListedJob> ListJobs() {
  std::set<std::string> names;
  for (int k = 1; k <= LogFileCount; ++k) {
    if (!Slot(k).JobName.empty()) names.insert(Slot(k).JobName);
  }
  const tDateTime midnight = MidnightOf(LocalTimeNow());
  std::vector<tListedJob> jobs;
  for (const std::string& name : names) {
    // Each job as the check matches it when its name is typed back.
    const std::string typed = TypedJobName(name);
    const std::u16string characters = TypedCharacters(typed);
    const int chosen =
        ChooseLatestLog(UpperText(typed), characters.empty() ? "" : Utf16JobKey(characters));
    const tVerdict verdict = JudgeLatestLog(chosen, typed, WarningDays, CriticalDays, midnight);
    jobs.push_back({name, typed, chosen, verdict.Line, verdict.State});
  }
  return jobs;
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : Utf8OfMixed(text)) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (b < 0x20) {
      json += "\\u00";
      json += kHexDigits[b >> 4];
      json += kHexDigits[b & 15];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

void RunJobList(const std::vector<std::string>& arguments, const std::vector<std::u16string>&) {
  InitStatusTexts();
  if (arguments.empty()) UsageAndEnd();
  SetLogDirectory(arguments[0]);
  bool json = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const tSwitch item = ReadSwitch(arguments[i]);
    const std::string upper = UpperText(arguments[i]);
    if (arguments[i] == "--json") {
      json = true;
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
  if (json) StopLineForm = WriteJsonStop;
  ScanLogDirectory();
  ReadEveryLogFile();
  const std::vector<tListedJob> jobs = ListJobs();
  if (json) {
    WriteJson(jobs);
  } else {
    WriteTable(jobs);
  }
  EndRun(StateOk);
}
