// Fuzzes the number reading against a straightforward 64-bit reading of the same rules.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/text.h"

namespace {

std::int32_t Reference(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    i += 1;
  } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  const std::int64_t bound = base == 10 ? 214748364 : 0x0FFFFFFF;
  std::int64_t value = 0;
  bool whole = i < text.size();
  for (; i < text.size(); ++i) {
    const char c = text[i];
    std::int64_t digit = 99;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit >= base || value > bound) {
      whole = false;
      break;
    }
    value = value * base + digit;
  }
  if (whole && negative) value = -value;
  // Taken as 32 bits, two's complement.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFF));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (TextToNumber(text) != Reference(text)) std::abort();
  return 0;
}
