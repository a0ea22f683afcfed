// Readers of the job listing's formats for its end-to-end tests: each reads a format back as
// its consumer does (Prometheus text, Checkmk's local-check grammar, promtool's lint, JSON's
// view of bytes), so that a test compares what the engine would see.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support.h"

namespace e2e {

/// A line the check printed as the listing's JSON holds it: a line that is not UTF-8 (a wording
/// from a log, a name in code page 1252) with each byte as the ISO-8859-1 character.
std::string AsJsonHoldsIt(const std::string& bytes);

/// The series of a Prometheus text, "name{backup_job=...}" or "name", with their values; the
/// label value unescaped.
std::map<std::string, std::map<std::string, double>> ReadSeries(const std::string& text);

/// A Checkmk local-check line as Checkmk's parser of local checks reads it (its regular
/// expression, whole): the state, the service name in double quotes, in single quotes or bare,
/// none of the three holding either quote, "-" or metrics, and the text after any blanks, each
/// backslash-n in it a line break. A line that does not match gives no service at all.
struct tLocalCheck {
  std::string State;
  std::string Service;
  std::string Metrics;
  std::string Text;
};
bool ReadLocalCheck(const std::string& line, tLocalCheck& check);

/// The metrics of a local check as Checkmk's documentation writes them: "-", or name=value with
/// up to four levels, joined by "|".
bool IsMetrics(const std::string& metrics);

/// The text's lines, each without its LF.
std::vector<std::string> LfLines(const std::string& text);

/// promtool's lint of a Prometheus text file: its exit code and what it said.
tRunResult CheckMetrics(const std::filesystem::path& file);

/// The file's last-write time in Unix seconds.
long long UnixSeconds(const std::filesystem::path& file);

}  // namespace e2e
