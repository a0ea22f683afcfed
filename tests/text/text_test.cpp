#include "text/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(UpperText, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperText("Daily-Backup \xe9"), "DAILY-BACKUP \xe9");
  EXPECT_EQ(UpperText(std::string("a\0z{`", 5)), std::string("A\0Z{`", 5));
  EXPECT_EQ(UpperText(""), "");
}

TEST(LeftTextAndTextAfter, CutAtTheGivenLength) {
  EXPECT_EQ(LeftText("-C", 2), "-C");
  EXPECT_EQ(TextAfter("-C", 2), "");
  EXPECT_EQ(LeftText("-C7", 2), "-C");
  EXPECT_EQ(TextAfter("-C7", 2), "7");
  EXPECT_EQ(LeftText("-", 2), "-");
  EXPECT_EQ(TextAfter("-", 2), "");
}

struct NumberCase {
  const char* text;
  std::int32_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class TextToNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(TextToNumberTest, ReadsByTheProgramsRules) {
  EXPECT_EQ(TextToNumber(GetParam().text), GetParam().expected) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToNumberTest,
    testing::Values(
        NumberCase{"", 0}, NumberCase{"7", 7}, NumberCase{"7DAYS", 7}, NumberCase{" 12", 12},
        NumberCase{"  +8 ", 8}, NumberCase{"\t5", 0}, NumberCase{"-5", -5}, NumberCase{"-5X", 5},
        NumberCase{"-", 0}, NumberCase{"+", 0}, NumberCase{"   ", 0}, NumberCase{"0", 0},
        NumberCase{"007", 7}, NumberCase{"$1F", 31}, NumberCase{"$10", 16}, NumberCase{"x1a", 26},
        NumberCase{"X1A", 26}, NumberCase{"0x1A", 26}, NumberCase{"0X1a", 26},
        NumberCase{"-$10", -16}, NumberCase{"$", 0}, NumberCase{"0x", 0}, NumberCase{"X", 0},
        NumberCase{"ABC", 0}, NumberCase{"$G", 0}, NumberCase{"12 3", 12},
        NumberCase{"2147483647", 2147483647}, NumberCase{"2147483648", INT32_MIN},
        NumberCase{"2147483649", -2147483647}, NumberCase{"-2147483648", INT32_MIN},
        NumberCase{"-2147483649", 2147483647}, NumberCase{"2147483648X", INT32_MIN},
        NumberCase{"21474836490", -2147483647}, NumberCase{"2147483650", 214748365},
        NumberCase{"$FFFFFFFF", -1}, NumberCase{"$FFFFFFFFX", -1}, NumberCase{"-$FFFFFFFF", 1},
        NumberCase{"$100000000", 0x10000000}, NumberCase{"$7FFFFFFF", INT32_MAX},
        NumberCase{"99999999999", 999999999}, NumberCase{"-3X", 3}, NumberCase{"- 3", 0},
        NumberCase{"+-3", 0}, NumberCase{"0x-1", 0}));

TEST(NumberToText, WritesPlainDecimal) {
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(1000), "1000");
  EXPECT_EQ(NumberToText(-42), "-42");
  EXPECT_EQ(NumberToText(INT32_MIN), "-2147483648");
  EXPECT_EQ(NumberToText(INT32_MAX), "2147483647");
}

struct SplitCase {
  const char* line;
  std::vector<std::string> expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << "'" << c.line << "'"; }

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsByTheProgramsOwnRule) {
  EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    testing::Values(SplitCase{"", {}}, SplitCase{"jobvigil.exe", {}}, SplitCase{"  jobvigil  ", {}},
                    SplitCase{"jobvigil d j -d", {"d", "j", "-d"}},
                    SplitCase{"\"C:\\Program Files\\jobvigil.exe\" D:\\BE Nightly",
                              {"D:\\BE", "Nightly"}},
                    SplitCase{"x a\"b c\"d", {"ab cd"}},
                    SplitCase{"x \"D:\\Backup Exec\\Data\" \"Weekly Full\"",
                              {"D:\\Backup Exec\\Data", "Weekly Full"}},
                    SplitCase{"x \"\" dir \"\" job", {"dir", "job"}},
                    SplitCase{"x \"\"\"\" dir", {"dir"}},
                    SplitCase{"x \"\"dir job", {"dir", "job"}}, SplitCase{"x d\"\"ir", {"dir"}},
                    SplitCase{"x \" \" job", {" ", "job"}},
                    SplitCase{"x dir \"open to the end", {"dir", "open to the end"}},
                    SplitCase{"x dir \"", {"dir"}}, SplitCase{"x dir \"\"", {"dir"}},
                    SplitCase{"x a\\\"b c\\\"", {"a\\b c\\"}},
                    SplitCase{"x\ta\x01"
                              "b\x1f\x20"
                              "c\x7f\x80\xff",
                              {"a", "b", "c\x7f\x80\xff"}},
                    SplitCase{"x \"tab\there\"", {"tab\there"}}, SplitCase{"x \"\"\"", {}},
                    SplitCase{"x a\0b", {"a"}}));

TEST(Utf16OfUtf8, DecodesValidUtf8AndNothingElse) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"Nightly", u"Nightly"},
      {"compl\xc3\xa8te", u"compl\u00e8te"},
      {"\xc5\x81\xc3\xb3"
       "d\xc5\xba",
       u"\u0141\u00f3d\u017a"},
      {"\xe2\x82\xac \xef\xbf\xbf", u"\u20ac \uffff"},
      {"\xf0\x9f\x92\xbe \xf4\x8f\xbf\xbf", u"\U0001F4BE \U0010FFFF"},
      {"compl\xe8te", u""},           // Latin-1
      {"\xc0\xaf", u""},              // an overlong "/"
      {"\xe0\x80\xaf", u""},          // another
      {"\xed\xa0\x80", u""},          // a surrogate
      {"\xf4\x90\x80\x80", u""},      // beyond U+10FFFF
      {"\xf8\x88\x80\x80\x80", u""},  // a five-byte form
      {"ab\xc3", u""},                // cut short
      {"\xc3(", u""},                 // a lead byte without its follower
      {"\x80", u""},                  // a follower alone
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Utf16OfUtf8(text), expected) << text;
}

constexpr std::int64_t kDay = 86400;

// Local seconds of a calendar date at a time of day, counted the civil way for the tests.
std::int64_t SecondsOf(std::int64_t daysSince1970, int hour, int minute, int second) {
  return daysSince1970 * kDay + hour * 3600 + minute * 60 + second;
}

TEST(DateToText, WritesDayMonthYearWithoutLeadingZeros) {
  // 7/12/2026 is day 20794 after 1/1/1970; 13/1/2009 is day 14257; 1/1/2010 is day 14610.
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(20794, 22, 41, 15))), "7/12/2026");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(14257, 0, 0, 0))), "13/1/2009");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(14610, 23, 59, 59))), "1/1/2010");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(0, 0, 0, 0))), "1/1/1970");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(-1, 23, 59, 59))), "31/12/1969");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(11016, 12, 0, 0))), "29/2/2000");
  EXPECT_EQ(DateToText(0.0), "30/12/1899");
  EXPECT_EQ(DateToText(-0.5), "29/12/1899");
}

TEST(DateToText, KeepsDatesBeyondThePackedRange) {
  // 1/1/1975 and 1/1/2200 cannot be packed, but are dated truly all the same.
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(1826, 10, 0, 0))), "1/1/1975");
  EXPECT_EQ(DateToText(FileDateTime(SecondsOf(84006, 10, 0, 0))), "1/1/2200");
}

TEST(DateToText, GivesEmptyTextForDatesItCannotWrite) {
  EXPECT_EQ(DateToText(1e300), "");
  EXPECT_EQ(DateToText(-1e300), "");
  EXPECT_EQ(DateToText(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(DateToText(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(DateToText(FileDateTime(INT64_MAX)), "");
  EXPECT_EQ(DateToText(FileDateTime(INT64_MIN)), "");
}

TEST(FileDateTime, RoundsSecondsDownToEven) {
  const std::int64_t base = SecondsOf(20794, 10, 0, 0);
  EXPECT_EQ(FileDateTime(base + 1), FileDateTime(base));
  EXPECT_EQ(FileDateTime(base + 3), FileDateTime(base + 2));
  EXPECT_LT(FileDateTime(base + 1), FileDateTime(base + 2));
  EXPECT_EQ(FileDateTime(-1), FileDateTime(-2));  // down, not towards zero
  EXPECT_DOUBLE_EQ(FileDateTime(SecondsOf(0, 12, 0, 0)), 25569.5);
}

TEST(MidnightOf, DropsTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(MidnightOf(SecondsOf(20794, 23, 59, 59)), 25569.0 + 20794);
  EXPECT_DOUBLE_EQ(MidnightOf(SecondsOf(-1, 12, 0, 0)), 25568.0);
}

}  // namespace
