// The table of the listing's formats, and what their writers share. A new format is one row here
// and one writer file.
#include "listing/formats.h"

#include <algorithm>
#include <array>
#include <map>

#include "text/text.h"

namespace {

const std::array kFormats = {
    tListingFormat{"table", "a table for people (the default)", &TableWriter, false, false},
    tListingFormat{"json", "one JSON array of the jobs, in UTF-8", &JsonWriter, false, false},
    tListingFormat{"prometheus", "Prometheus text, for a textfile collector", &PrometheusWriter,
                   false, false},
    tListingFormat{"checkmk", "Checkmk local checks, one per job and the directory's",
                   &CheckmkWriter, false, false},
    tListingFormat{"icinga2", "Icinga 2 services of the --host, one per job", &Icinga2Writer, true,
                   false},
    tListingFormat{"html", "one HTML page for people, for a mail or a share", &HtmlWriter, false,
                   false},
    tListingFormat{"prtg", "a PRTG EXE/Script Advanced sensor, a channel per job", &PrtgWriter,
                   false, false},
    tListingFormat{"mail", "one mail of the table and the page, for sendmail -t", &MailWriter,
                   false, false, true},
    tListingFormat{"nagios", "Nagios services of the --host, one per job, -w and -c needed",
                   &NagiosWriter, true, true},
};

}  // namespace

const std::span<const tListingFormat> ListingFormats = kFormats;

const tListingFormat* ListingFormatNamed(const std::string& name) {
  const auto* found =
      std::find_if(kFormats.begin(), kFormats.end(),
                   [&](const tListingFormat& format) { return format.Name == name; });
  return found == kFormats.end() ? nullptr : found;
}

tListingRequest StopRequest;

// Appended piece by piece here and in the other writers: GCC 12 misreads a sum of a literal and
// a string in Release.
std::string StateCounts(const std::vector<tListedJob>& jobs) {
  int counts[4] = {}, overdue = 0;
  for (const tListedJob& job : jobs) {
    ++counts[job.State];
    overdue += job.Overdue;
  }
  constexpr const char* kCounted[] = {"OK", "warning", "critical", "unknown"};
  std::string text;
  for (const tExitState state : {StateCritical, StateWarning, StateUnknown, StateOk}) {
    if (counts[state] > 0)
      text.append(text.empty() ? "" : ", ")
          .append(std::to_string(counts[state]))
          .append(" ")
          .append(kCounted[state]);
  }
  if (overdue > 0)
    text.append(text.empty() ? "" : ", ").append(std::to_string(overdue)).append(" overdue");
  return text.empty() ? "none" : text;
}

void StopKeepingTheFile(const std::string& text, tExitState) {
  AbandonOutputFile();
  WriteLine(text);
}

std::string JobId(const tListedJob& job) {
  constexpr char kHexDigits[] = "0123456789abcdef";
  std::string id;
  for (const char c : job.Scanned) {
    id += kHexDigits[static_cast<unsigned char>(c) >> 4];
    id += kHexDigits[c & 15];
  }
  return id;
}

std::vector<std::string> ServiceNames(const std::vector<tListedJob>& jobs,
                                      const std::string& prefix,
                                      std::string (*standIn)(const std::string& utf8),
                                      const std::vector<std::string>& taken) {
  std::vector<std::string> names;
  std::map<std::string, int> uses;
  for (const std::string& name : taken) ++uses[name];
  for (const tListedJob& job : jobs) ++uses[names.emplace_back(prefix + standIn(job.Written))];
  // A name standIn left as it was is the job's own and stays; of the others, those that meet
  // another take the id, which no two jobs share.
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (uses[names[i]] > 1 && names[i] != prefix + jobs[i].Written)
      names[i] += " [" + JobId(jobs[i]) + "]";
  }
  return names;
}

std::string WithStandIns(const std::string& utf8, std::string_view refused) {
  std::string text;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F && refused.find(c) == std::string_view::npos)
      text += c;
    else
      text += c == '\'' ? "\xe2\x80\x99" : c == '"' ? "\xe2\x80\x9d" : "_";
  }
  return text;
}

std::string DateAndTime(const tFichierXML& log) {
  return DateAndTime(LocalSecondsOf(log.FileDate));
}

std::string DateAndTime(std::int64_t localSeconds) {
  const std::int64_t minutes = localSeconds / 60 % (24 * 60);
  const auto twoDigits = [](std::int64_t n) {
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
  };
  return DateToText(FileDateTime(localSeconds)) + " " + twoDigits(minutes / 60) + ":" +
         twoDigits(minutes % 60);
}
