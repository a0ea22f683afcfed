// The listing as Checkmk local checks: one line per job, `<state> "<service name>" - <text>`,
// with the check's state and line, and one for the log directory itself, so that a host whose
// directory cannot be read is never silent.
#include "app/listing_formats.h"
#include "joblog/joblog.h"
#include "text/text.h"

namespace {

const char kDirectoryService[] = "\"BackupExec log directory\"";

// The service name in double quotes, which Checkmk reads as one name whatever blanks it holds.
// Nothing escapes a quote there: a quote becomes an apostrophe, and a control character (the
// bytes of some characters beyond U+00FF as the check keeps them) a question mark.
std::string ServiceName(const std::string& utf8) {
  std::string name = "\"BackupExec ";
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    name += c == '"' ? '\'' : b < 0x20 || b == 0x7F ? '?' : c;
  }
  return name + "\"";
}

void WriteCheckmk(const std::vector<tListedJob>& jobs) {
  for (const tListedJob& job : jobs)
    WriteLfLine(NumberToText(job.State) + " " + ServiceName(job.Written) + " - " +
                Utf8OfMixed(job.Line));
  WriteLfLine(std::string("0 ") + kDirectoryService + " logs=" + NumberToText(LogFileCount) + " " +
              NumberToText(LogFileCount) + " logs, " +
              NumberToText(static_cast<std::int32_t>(jobs.size())) + " jobs");
}

void WriteCheckmkStop(const std::string& text, tExitState state) {
  WriteLfLine(NumberToText(state) + " " + kDirectoryService + " - " + Utf8OfMixed(text));
}

}  // namespace

const tListingWriter CheckmkWriter = {WriteCheckmk, WriteCheckmkStop};
