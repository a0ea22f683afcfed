// The completion-status codes a log gives and their wording: the table (process-wide), filled
// once at start-up by each program and the sample tool, read by the scanner for a log's code and
// by the sample tool; the tests and the scanner's fuzz target use it too.
#pragma once

#include <cstdint>
#include <string>

constexpr int kStatusCodeCount = 26;

/// Fills the table.
void InitStatusTexts();

/// The wording of a code: the table's for 0 to 25, "Unknown status code <n>" otherwise.
std::string StatusTextOf(std::int32_t code);
