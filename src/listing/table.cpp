// The listing as a table for people: a row of headings, then one row per job, its columns
// padded to the widest of each: the job, the check's state, its latest log and its date, its
// last success and the runs since it, and the check's line last.
#include <algorithm>
#include <array>

#include "listing/formats.h"
#include "text/text.h"

namespace {

// The columns a text takes: its characters, counting bytes that do not continue a UTF-8 one.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width > Width(text) ? width - Width(text) : 0, ' ');
}

void WriteTable(const std::vector<tListedJob>& jobs, const tListingRequest&) {
  constexpr std::size_t kColumns = 8;
  std::vector<std::array<std::string, kColumns>> rows = {
      {"JOB", "STATE", "DATE", "LOG", "LAST SUCCESS", "SINCE", "NEXT RUN DUE", "LINE"}};
  for (const tListedJob& job : jobs) {
    const tFichierXML* log = LatestLog(job);
    const tFichierXML* success = LastSuccessLog(job);
    const std::string due = !job.NextRunDue ? "no schedule"
                            : job.Overdue   ? DateAndTime(*job.NextRunDue) + " OVERDUE"
                                            : DateAndTime(*job.NextRunDue);
    rows.push_back({job.Job, StateName(job.State), log ? DateToText(log->FileDate) : "",
                    log ? log->FileName : "", success ? DateAndTime(*success) : "never",
                    NumberToText(RunsSinceSuccess(job)), due, job.Line});
  }
  std::size_t widths[kColumns - 1] = {};
  for (const auto& row : rows) {
    for (std::size_t i = 0; i + 1 < kColumns; ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i + 1 < kColumns; ++i) line += Padded(row[i], widths[i]) + "  ";
    WriteLine(line + row.back());
  }
}

}  // namespace

const tListingWriter TableWriter = {WriteTable, nullptr};
