// The small conversions most modules, the sample tool, the tests and the fuzz targets use:
// upper-casing, cutting texts, numbers to and from text, and the day-count date-time with its
// day/month/year form. Pure functions, no state.
// Those that make a text throw std::bad_alloc when memory runs out; none reports any other
// failure: what cannot be read or written gives 0 or the empty text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A local date and time: days since 30/12/1899 00:00, the time of day as the fraction.
using tDateTime = double;

/// The byte, A-Z for a-z: the only upper-casing the program does, of ASCII letters alone.
constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// The text with a-z replaced by A-Z; every other byte unchanged. Throws std::bad_alloc.
std::string UpperText(const std::string& text);

/// The first n characters, or the whole text when it has no more than n.
std::string LeftText(const std::string& text, std::size_t n);

/// The characters after the first n, or the empty text when it has no more than n.
std::string TextAfter(const std::string& text, std::size_t n);

/// A 32-bit number read from the start of the text by the program's own rules (blanks, sign,
/// '$'/'x'/'0x' for hexadecimal); stops at the first unusable character. Never fails.
std::int32_t TextToNumber(const std::string& text);

/// The decimal form of n: no leading zeros, '-' for negatives.
std::string NumberToText(std::int32_t n);

/// The calendar date as day/month/year without leading zeros ('7/12/2026'); the empty text
/// when the value holds no date that can be written.
std::string DateToText(tDateTime dateTime);

/// The proleptic Gregorian calendar date of a day count from 1/1/1970.
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day);

/// The date-time of a local wall-clock time given as seconds since 1/1/1970 00:00, with the
/// seconds rounded down to even, as the packed file-date form holds them.
tDateTime FileDateTime(std::int64_t localSeconds);

/// The local wall-clock time, in seconds since 1/1/1970 00:00, of a date-time that FileDateTime
/// gave: those seconds, to the nearest second.
std::int64_t LocalSecondsOf(tDateTime dateTime);

/// The date-time of 00:00 on the day that holds the local wall-clock time given.
tDateTime MidnightOf(std::int64_t localSeconds);

/// The arguments of a whole command line, program name excluded: bytes 1 to 32 separate, a
/// double quote opens a stretch up to the next one, quotes are dropped, no escape character.
/// Counting stops at the first argument that comes out empty (only the end of the line).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

/// The same split of a command line of UTF-16 characters.
std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine);

/// Each byte of the text as the character of that number (ISO-8859-1), in UTF-8.
std::string Utf8OfLatin1(const std::string& text);

/// The text in UTF-8: its valid UTF-8 as it stands, every other byte as the ISO-8859-1
/// character of that number.
std::string Utf8OfMixed(const std::string& text);

/// The characters of UTF-8 text as UTF-16; the empty text when the text is not valid UTF-8
/// (overlong forms, surrogates and values beyond U+10FFFF included).
std::u16string Utf16OfUtf8(const std::string& text);

/// UTF-16 characters in UTF-8; a surrogate without its other half as U+FFFD.
std::string Utf8OfUtf16(const std::u16string& characters);
