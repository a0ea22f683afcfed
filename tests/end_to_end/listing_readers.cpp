#include "end_to_end/listing_readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace e2e {

std::string AsJsonHoldsIt(const std::string& bytes) {
  try {
    nlohmann::json(bytes).dump();
    return bytes;
  } catch (const nlohmann::json::type_error&) {
  }
  std::string utf8;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | b >> 6);
      utf8 += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return utf8;
}

std::map<std::string, std::map<std::string, double>> ReadSeries(const std::string& text) {
  std::map<std::string, std::map<std::string, double>> series;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t brace = line.find('{');
    const std::size_t blank = line.rfind(' ');
    std::string label;
    if (brace != std::string::npos) {
      const std::string quoted = line.substr(brace, line.rfind('}') - brace);
      EXPECT_TRUE(quoted.starts_with("{backup_job=\"")) << line;
      for (std::size_t i = 13; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '\\') {
          ++i;
          label += quoted[i] == 'n' ? '\n' : quoted[i];
        } else {
          label += quoted[i];
        }
      }
    }
    series[line.substr(0, std::min(brace, blank))][label] = std::stod(line.substr(blank + 1));
  }
  return series;
}

bool ReadLocalCheck(const std::string& line, tLocalCheck& check) {
  static const std::regex grammar(
      R"re(^([^ ]+) (("([^"']+)")|('([^"']+)')|([^ "']+)) ([^ ]+)( +(.*))?$)re");
  std::smatch match;
  const std::string result = line.substr(std::min(line.find_first_not_of(' '), line.size()));
  if (!std::regex_match(result, match, grammar)) return false;
  check = {match[1],
           match[6].matched   ? match[6]
           : match[4].matched ? match[4]
                              : match[2],
           match[8], std::regex_replace(match[10].str(), std::regex(R"(\\n)"), "\n")};
  return true;
}

bool IsMetrics(const std::string& metrics) {
  static const std::string metric = R"re([A-Za-z_][A-Za-z0-9_]*=[-0-9.]+(?:;[-0-9.]*){0,4})re";
  static const std::regex grammar("-|" + metric + "(?:\\|" + metric + ")*");
  return std::regex_match(metrics, grammar);
}

std::vector<std::string> LfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

tRunResult CheckMetrics(const std::filesystem::path& file) {
  return RunCommand({"sh", "-c", "promtool check metrics <\"$1\"", "sh", file.string()});
}

long long UnixSeconds(const std::filesystem::path& file) {
  const auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(file));
  return std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
}

}  // namespace e2e
