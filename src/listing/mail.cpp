// The listing as one mail for the backup team: an Internet message (RFC 5322) on standard output
// for `sendmail -t`, from --from (jobvigil at this machine by default) to --to, its subject the
// --subject-prefix, the backup server (--host, or this machine) and the jobs counted by state
// ("BackupExec on BKSRV01: 1 critical, 2 warning, 14 OK"), encoded as RFC 2047 has it where it
// is not plain ASCII; its body multipart/alternative (RFC 2046), the table as text and the HTML
// page, each in UTF-8 and base64. Its lines end in LF alone, as sendmail takes a message on a
// Unix system. Where the logs cannot be read it is still a mail, whose subject and text are the
// check's line, so that a digest that cannot be made never goes missing in silence.
#include <algorithm>

#include "listing/formats.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

// No line of base64 is longer (RFC 2045), and no encoded word (RFC 2047).
constexpr std::size_t kBase64Line = 76;
constexpr std::size_t kEncodedWordBytes = 45;  // 60 base64 characters and the word's 12

// Begins with "=_", which no line of base64 holds, so that no part can hold it.
const char kBoundary[] = "=_jobvigil_digest";

std::string Base64(const std::string& bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t left = bytes.size() - at;
    std::uint32_t group = static_cast<unsigned char>(bytes[at]) << 16;
    if (left > 1) group |= static_cast<unsigned char>(bytes[at + 1]) << 8;
    if (left > 2) group |= static_cast<unsigned char>(bytes[at + 2]);
    text += kDigits[group >> 18 & 63];
    text += kDigits[group >> 12 & 63];
    text += left > 1 ? kDigits[group >> 6 & 63] : '=';
    text += left > 2 ? kDigits[group & 63] : '=';
  }
  return text;
}

// The part's body in base64, a line at a time.
void WriteBase64Lines(const std::string& bytes) {
  const std::string text = Base64(bytes);
  for (std::size_t at = 0; at < text.size(); at += kBase64Line)
    WriteLfLine(text.substr(at, kBase64Line));
}

bool IsPlainAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

// A header's text as it stands where it is plain ASCII; else as encoded words of UTF-8, each of
// whole characters, the header folded between them.
std::string HeaderText(const std::string& utf8) {
  if (IsPlainAscii(utf8)) return utf8;
  std::string text;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t end = std::min(at + kEncodedWordBytes, utf8.size());
    while (end < utf8.size() && end > at + 1 &&
           (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
      --end;
    text.append(text.empty() ? "" : "\n ")
        .append("=?UTF-8?B?")
        .append(Base64(utf8.substr(at, end - at)))
        .append("?=");
    at = end;
  }
  return text;
}

// The date and time now as RFC 5322 writes it: "Wed, 09 Dec 2026 07:30:00 +0100".
std::string MessageDate() {
  constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::int64_t local = LocalTimeNow();
  const std::int64_t offset = (local - UniversalSecondsOf(local)) / 60;
  const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
  const std::int64_t seconds = local - days * 86400;
  std::int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  // Two digits of a number below 100.
  const auto two = [](std::int64_t n) {
    std::string digits(2, '0');
    digits[0] = static_cast<char>('0' + n / 10);
    digits[1] = static_cast<char>('0' + n % 10);
    return digits;
  };
  const std::int64_t minutes = offset < 0 ? -offset : offset;
  return std::string(kDays[((days % 7) + 7) % 7]) + ", " + two(day) + " " + kMonths[month - 1] +
         " " + std::to_string(year) + " " + two(seconds / 3600) + ":" + two(seconds / 60 % 60) +
         ":" + two(seconds % 60) + " " + (offset < 0 ? "-" : "+") + two(minutes / 60) +
         two(minutes % 60);
}

std::string MachineName() {
  const std::string host = LocalHostName();
  return host.empty() ? "localhost" : host;
}

// The backup server the mail is about: --host, or this machine, where the logs are.
std::string ServerName(const tListingRequest& request) {
  return request.Host.empty() ? MachineName() : request.Host;
}

void WriteHeader(const tListingRequest& request, const std::string& subject) {
  const std::string from =
      request.MailFrom.empty() ? "jobvigil <jobvigil@" + MachineName() + ">" : request.MailFrom;
  WriteLfLine("From: " + from);
  WriteLfLine("To: " + request.MailTo);
  const std::string prefix = request.SubjectPrefix.empty() ? "" : request.SubjectPrefix + " ";
  WriteLfLine("Subject: " +
              HeaderText(prefix + "BackupExec on " + ServerName(request) + ": " + subject));
  WriteLfLine("Date: " + MessageDate());
  WriteLfLine("MIME-Version: 1.0");
}

void WritePart(const char* type, const std::string& text) {
  WriteLfLine(std::string("--") + kBoundary);
  WriteLfLine(std::string("Content-Type: ") + type + "; charset=utf-8");
  WriteLfLine("Content-Transfer-Encoding: base64");
  WriteLfLine("");
  WriteBase64Lines(Utf8OfMixed(text));
}

void WriteMail(const std::vector<tListedJob>& jobs, const tListingRequest& request) {
  // Gathered first, as the page and the table are written whole before the mail is.
  const std::string table = LinesOf([&] { TableWriter.Jobs(jobs, request); });
  const std::string page = LinesOf([&] { HtmlWriter.Jobs(jobs, request); });
  WriteHeader(request, StateCounts(jobs));
  WriteLfLine(std::string("Content-Type: multipart/alternative; boundary=\"") + kBoundary + "\"");
  WriteLfLine("");
  WritePart("text/plain", table);
  WritePart("text/html", page);
  WriteLfLine(std::string("--") + kBoundary + "--");
}

void WriteMailStop(const std::string& text, tExitState) {
  WriteHeader(StopRequest, Utf8OfMixed(text));
  WriteLfLine("Content-Type: text/plain; charset=utf-8");
  WriteLfLine("Content-Transfer-Encoding: base64");
  WriteLfLine("");
  WriteBase64Lines(Utf8OfMixed(text) + "\r\n");
}

}  // namespace

const tListingWriter MailWriter = {WriteMail, WriteMailStop};
