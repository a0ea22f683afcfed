// The listing as one JSON array of objects, one per job, for monitoring systems to discover the
// jobs from; where the directory cannot be scanned, one object with the check's state and line.
#include "listing/formats.h"
#include "text/text.h"

namespace {

const char kHexDigits[] = "0123456789abcdef";

// The text as a JSON string, quotes included, in UTF-8.
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

void WriteJson(const std::vector<tListedJob>& jobs, const tListingRequest&) {
  WriteLine("[");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tListedJob& job = jobs[i];
    const tFichierXML* log = LatestLog(job);
    const tFichierXML* success = LastSuccessLog(job);
    const std::optional<std::int64_t> due = UnixSecondsDue(job);
    // The id is a key that a JSONPath filter or an item key can hold whatever quotes the name
    // has, and that stays the same whichever log spells it.
    WriteLine("  {\"job\": " + JsonString(job.Written) + ", \"id\": \"" + JobId(job) + "\"" +
              ", \"state\": " + NumberToText(job.State) + ", \"line\": " + JsonString(job.Line) +
              ", \"log\": " + JsonString(log ? log->FileName : "") +
              ", \"date\": " + JsonString(log ? DateToText(log->FileDate) : "") +
              ", \"last_run\": " + std::to_string(log ? UnixSecondsOf(*log) : 0) +
              ", \"last_success\": " + std::to_string(success ? UnixSecondsOf(*success) : 0) +
              ", \"runs_since_success\": " + std::to_string(RunsSinceSuccess(job)) +
              ", \"runs\": " + std::to_string(job.Runs.size()) +
              ", \"oldest\": " + std::to_string(UnixSecondsOf(Slot(job.Runs.front()))) +
              ", \"next_run_due\": " + (due ? std::to_string(*due) : "null") + ", \"overdue\": " +
              (job.Overdue ? "true" : "false") + "}" + (i + 1 < jobs.size() ? "," : ""));
  }
  WriteLine("]");
}

// An object where the jobs' array would stand, so that a monitoring system reads the failure
// and its line instead of text it cannot parse.
void WriteJsonStop(const std::string& text, tExitState state) {
  WriteLine("{\"state\": " + NumberToText(state) + ", \"line\": " + JsonString(text) + "}");
}

}  // namespace

const tListingWriter JsonWriter = {WriteJson, WriteJsonStop};
