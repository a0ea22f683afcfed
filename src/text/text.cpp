#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

// 1/1/1970 counted in days from 30/12/1899.
constexpr std::int64_t kUnixEpochDays = 25569;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int DigitValue(char c, unsigned base) {
  int value;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else {
    return -1;
  }
  return static_cast<unsigned>(value) < base ? value : -1;
}

template <class tChar>
bool IsSeparator(tChar c) {
  const auto code = static_cast<std::make_unsigned_t<tChar>>(c);
  return code >= 1 && code <= 32;
}

// The next item of a command line from `at`, which it moves past the item. The line ends at its
// length or at a NUL character.
template <class tText>
tText NextCommandLineItem(const tText& line, std::size_t& at) {
  const std::size_t end = std::min(line.size(), line.find(typename tText::value_type{0}));
  for (;;) {
    while (at < end && IsSeparator(line[at])) ++at;
    // An empty quoted item is passed over like a blank.
    if (at + 1 < end && line[at] == '"' && line[at + 1] == '"') {
      at += 2;
    } else {
      break;
    }
  }
  tText item;
  while (at < end && !IsSeparator(line[at])) {
    if (line[at] == '"') {
      ++at;
      while (at < end && line[at] != '"') item += line[at++];
      if (at < end) ++at;
    } else {
      item += line[at++];
    }
  }
  return item;
}

template <class tText>
std::vector<tText> SplitAnyCommandLine(const tText& commandLine) {
  std::size_t at = 0;
  std::vector<tText> arguments;
  if (NextCommandLineItem(commandLine, at).empty()) return arguments;
  for (tText item = NextCommandLineItem(commandLine, at); !item.empty();
       item = NextCommandLineItem(commandLine, at))
    arguments.push_back(item);
  return arguments;
}

}  // namespace

// Proleptic Gregorian calendar date of a day count relative to 1/1/1970.
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::string UpperText(const std::string& text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

std::string LeftText(const std::string& text, std::size_t n) {
  return n < text.size() ? text.substr(0, n) : text;
}

std::string TextAfter(const std::string& text, std::size_t n) {
  return n < text.size() ? text.substr(n) : std::string();
}

std::int32_t TextToNumber(const std::string& text) {
  const std::size_t length = text.size();
  std::size_t i = 0;
  // Only blanks are skipped, not tabs: '\t5' reads as 0.
  while (i < length && text[i] == ' ') ++i;

  bool negative = false;
  if (i < length && text[i] == '-') {
    negative = true;
    ++i;
  } else if (i < length && text[i] == '+') {
    ++i;
  }

  unsigned base = 10;
  if (i < length && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < length && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }

  // The bound is tested before each step, so the value can reach 2147483649 or FFFFFFFF;
  // both fit 32 unsigned bits and are then taken as two's complement.
  const std::uint32_t bound = base == 10 ? 214748364u : 0x0FFFFFFFu;
  std::uint32_t value = 0;
  bool complete = i < length;
  for (; i < length; ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0 || value > bound) {
      complete = false;
      break;
    }
    value = value * base + static_cast<std::uint32_t>(digit);
  }
  // A reading that stopped early forgets its minus sign: '-5X' gives 5.
  if (complete && negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::string NumberToText(std::int32_t n) { return std::to_string(n); }

std::string DateToText(tDateTime dateTime) {
  // Beyond this many days the year no longer fits the 32-bit number it is written with.
  constexpr double kLimit = 7.0e11;
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > kLimit) return std::string();
  std::int64_t year;
  int month, day;
  CivilFromDays(static_cast<std::int64_t>(std::floor(dateTime)) - kUnixEpochDays, year, month, day);
  if (year < INT32_MIN || year > INT32_MAX) return std::string();
  return NumberToText(day) + "/" + NumberToText(month) + "/" +
         NumberToText(static_cast<std::int32_t>(year));
}

tDateTime FileDateTime(std::int64_t localSeconds) {
  const std::int64_t even = FloorDiv(localSeconds, 2) * 2;
  // Split without multiplying back, which could overflow at the ends of the range.
  std::int64_t days = even / kSecondsPerDay;
  std::int64_t seconds = even % kSecondsPerDay;
  if (seconds < 0) {
    seconds += kSecondsPerDay;
    days -= 1;
  }
  return static_cast<double>(days + kUnixEpochDays) +
         static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay);
}

std::int64_t LocalSecondsOf(tDateTime dateTime) {
  return std::llround((dateTime - static_cast<double>(kUnixEpochDays)) *
                      static_cast<double>(kSecondsPerDay));
}

tDateTime MidnightOf(std::int64_t localSeconds) {
  return static_cast<double>(FloorDiv(localSeconds, kSecondsPerDay) + kUnixEpochDays);
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  return SplitAnyCommandLine(commandLine);
}

std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) {
  return SplitAnyCommandLine(commandLine);
}

namespace {

void AppendLatin1(std::string& utf8, unsigned char b) {
  if (b < 0x80) {
    utf8 += static_cast<char>(b);
  } else {
    utf8 += static_cast<char>(0xC0 | b >> 6);
    utf8 += static_cast<char>(0x80 | (b & 0x3F));
  }
}

}  // namespace

std::string Utf8OfLatin1(const std::string& text) {
  std::string utf8;
  for (const char c : text) AppendLatin1(utf8, static_cast<unsigned char>(c));
  return utf8;
}

std::string Utf8OfMixed(const std::string& text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size();) {
    // The longest valid sequence from here is at most four bytes.
    std::size_t length = 1;
    while (length <= 4 && i + length <= text.size() && Utf16OfUtf8(text.substr(i, length)).empty())
      ++length;
    if (length <= 4 && i + length <= text.size()) {
      utf8.append(text, i, length);
      i += length;
    } else {
      AppendLatin1(utf8, static_cast<unsigned char>(text[i++]));
    }
  }
  return utf8;
}

std::u16string Utf16OfUtf8(const std::string& text) {
  // The smallest character each length may encode: longer forms of a character are invalid.
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  std::u16string characters;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC0 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF8 ? 4
                                             : 0;
    if (length == 0 || i + length > text.size()) return {};
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return {};
      code = (code << 6) | (next & 0x3F);
    }
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return {};
    if (code >= 0x10000) {
      characters += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      characters += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      characters += static_cast<char16_t>(code);
    }
    i += length;
  }
  return characters;
}

std::string Utf8OfUtf16(const std::u16string& characters) {
  std::string text;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    std::uint32_t code = characters[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < characters.size() &&
        characters[i + 1] >= 0xDC00 && characters[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (characters[++i] - 0xDC00u);
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | code >> 6);
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | code >> 12);
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | code >> 18);
      text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return text;
}
