// The listing as the answer of a PRTG "EXE/Script Advanced" sensor: one JSON object on standard
// output, a channel per job whose value is the check's state, shown through the value lookup
// jobvigil.state (monitoring/jobvigil.state.ovl) as OK, Warning, Critical or Unknown, and the
// sensor's text, which says what is wrong first. What PRTG cannot show as a sensor (more jobs
// than its channels, logs that cannot be read) is its error object, with exit code 0: PRTG's
// manual gives an advanced sensor's exit codes no meaning, and its state comes from the error
// object. The JSON is ASCII, each other character escaped, so that it reads the same in
// whatever code page the probe takes a program's output in.
#include "listing/formats.h"
#include "text/text.h"

namespace {

// PRTG takes no more channels in one sensor.
constexpr std::size_t kMostChannels = 50;

// The longest sensor text PRTG keeps, in characters (counted here as UTF-16 units, which a
// character beyond U+FFFF takes two of).
constexpr std::size_t kLongestText = 2000;

// A channel's name is its key, unique in the sensor, and never changes once made: PRTG makes a
// new channel for a name it has not seen. It shows "<" and ">" as "{" and "}", which they are
// here already, so that two names that PRTG would show alike are told apart by the job's id;
// a control character is "_".
std::string StandIn(const std::string& utf8) {
  std::string name;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    name += c == '<' ? '{' : c == '>' ? '}' : b < 0x20 || b == 0x7F ? '_' : c;
  }
  return name;
}

// The UTF-8 text as a JSON string of ASCII, each character beyond it escaped as its UTF-16.
std::string AsciiJsonString(const std::string& utf8) {
  constexpr char kHexDigits[] = "0123456789abcdef";
  std::string json = "\"";
  for (const char16_t unit : Utf16OfUtf8(utf8)) {
    if (unit == '"' || unit == '\\') {
      json += '\\';
      json += static_cast<char>(unit);
    } else if (unit < 0x20 || unit >= 0x7F) {
      json += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) json += kHexDigits[unit >> shift & 15];
    } else {
      json += static_cast<char>(unit);
    }
  }
  return json + "\"";
}

// The text cut to PRTG's length, short of a character's second half, with an ellipsis where it
// was cut.
std::string Shortened(const std::string& utf8) {
  const std::u16string units = Utf16OfUtf8(utf8);
  if (units.size() <= kLongestText) return utf8;
  std::size_t keep = kLongestText - 1;
  if ((units[keep - 1] & 0xFC00) == 0xD800) --keep;
  return Utf8OfUtf16(units.substr(0, keep)) + "\xe2\x80\xa6";
}

// The counts (StateCounts), then the line of each job that is not OK, worst first, then the
// jobs overdue.
std::string SensorText(const std::vector<tListedJob>& jobs) {
  std::string lines;
  for (const tExitState state : {StateCritical, StateWarning, StateUnknown}) {
    for (const tListedJob& job : jobs) {
      if (job.State == state) lines.append(lines.empty() ? "" : "; ").append(Utf8OfMixed(job.Line));
    }
  }
  for (const tListedJob& job : jobs) {
    if (job.Overdue && job.NextRunDue)
      lines.append(lines.empty() ? "" : "; ")
          .append(job.Written)
          .append(": overdue, its next run was due by ")
          .append(DateAndTime(*job.NextRunDue));
  }
  const std::string counts = StateCounts(jobs);
  return Shortened(lines.empty() ? counts : counts + ". " + lines);
}

void WriteError(const std::string& text) {
  WriteLine("{\"prtg\": {\"error\": 1, \"text\": " + AsciiJsonString(Shortened(Utf8OfMixed(text))) +
            "}}");
}

void WritePrtg(const std::vector<tListedJob>& jobs, const tListingRequest&) {
  if (jobs.size() > kMostChannels) {
    WriteError(std::to_string(jobs.size()) + " jobs are more than the " +
               std::to_string(kMostChannels) +
               " channels PRTG takes in one sensor: split them over sensors with --include or "
               "--exclude");
    return;
  }
  if (jobs.empty()) {
    WriteError("No log names a job");
    return;
  }
  const std::vector<std::string> names = ServiceNames(jobs, "", StandIn);
  WriteLine("{\"prtg\": {\"result\": [");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    WriteLine("  {\"channel\": " + AsciiJsonString(names[i]) +
              ", \"value\": " + NumberToText(jobs[i].State) +
              ", \"unit\": \"Custom\", \"valuelookup\": \"jobvigil.state\"}" +
              (i + 1 < jobs.size() ? "," : ""));
  }
  WriteLine("], \"text\": " + AsciiJsonString(SensorText(jobs)) + "}}");
}

[[noreturn]] void WritePrtgStop(const std::string& text, tExitState) {
  WriteError(text);
  EndRun(StateOk);
}

}  // namespace

const tListingWriter PrtgWriter = {WritePrtg, WritePrtgStop};
