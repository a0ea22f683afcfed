// The completion-status codes a log gives and their wording: the table (process-wide, filled
// once at start-up), which the scanner reads for a log's code and the verdict and the sample
// tool print.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int kStatusCodeCount = 26;
extern std::array<std::string, kStatusCodeCount> StatusTexts;

/// Fills StatusTexts.
void InitStatusTexts();

/// The wording of a code: the table's for 0 to 25, "Unknown status code <n>" otherwise.
std::string StatusTextOf(std::int32_t code);
