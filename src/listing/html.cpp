// The listing as one HTML page for people: a daily mail to the backup team or a page on a share.
// Its title counts the jobs by state, and it says when it was made. Every job in a row, the
// worst first: its state in colour, its name as the logs write it, its runs of the last 14 days
// on a time axis (each a coloured mark at its time whose title gives its date and status, and
// the time since a run that was due and did not come shaded), when its next run is due, its last
// success and the check's line. The page stands alone: no script, nothing fetched, every style
// on its element, which mail clients keep where they drop a style sheet; the axis is laid out by
// the widths of what comes before each mark, which they keep too.
#include <algorithm>

#include "listing/formats.h"
#include "platform/platform.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

// The days a strip shows, today among them, and the width of each.
constexpr std::int64_t kStripDays = 14;
constexpr std::int64_t kDayWidth = 24;  // pixels
constexpr std::int64_t kMarkWidth = 3;

const char kCell[] =
    "padding:4px 8px;border-bottom:1px solid #ddd;text-align:left;vertical-align:top";

// The colour of a state: green, amber, red, grey.
const char* ColourOf(tExitState state) {
  switch (state) {
    case StateOk:
      return "#2e7d32";
    case StateWarning:
      return "#f9a825";
    case StateCritical:
      return "#c62828";
    case StateUnknown:
      break;
  }
  return "#757575";
}

// The text, UTF-8 (each byte that is not as its ISO-8859-1 character), as HTML text or the value
// of an attribute in double quotes.
std::string Escaped(const std::string& text) {
  std::string html;
  for (const char c : Utf8OfMixed(text)) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

void WritePage(const std::string& title, const std::vector<std::string>& body) {
  WriteLfLine("<!DOCTYPE html>");
  WriteLfLine("<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + Escaped(title) +
              "</title></head>");
  WriteLfLine(
      "<body style=\"margin:16px;font-family:Arial,Helvetica,sans-serif;font-size:14px;"
      "color:#212121;background:#ffffff\">");
  WriteLfLine("<h1 style=\"font-size:20px;margin:0 0 12px 0\">" + Escaped(title) + "</h1>");
  for (const std::string& line : body) WriteLfLine(line);
  WriteLfLine("</body></html>");
}

// How bad a state is, the worst 0: the order of the rows.
int Rank(const tListedJob& job) {
  constexpr int kRanks[] = {3, 1, 0, 2};  // OK, WARNING, CRITICAL, UNKNOWN
  return kRanks[job.State] * 2 + (job.Overdue ? 0 : 1);
}

// A span of the strip: `width` pixels, in the colour, with the title where there is one.
std::string Span(std::int64_t width, const char* colour, const std::string& title) {
  return "<span" + (title.empty() ? std::string() : " title=\"" + Escaped(title) + "\"") +
         " style=\"display:inline-block;vertical-align:top;height:18px;width:" +
         std::to_string(width) + "px;background:" + colour + "\"></span>";
}

// The job's runs from `start` to `now` (local seconds) on an axis of kDayWidth pixels a day:
// each run a mark at the time it ended, the time between them blank; where the next run was due
// and none came, the time since it shaded in the colour of a warning.
std::string Strip(const tListedJob& job, std::int64_t start, std::int64_t now) {
  const auto at = [&](std::int64_t local) {
    return (std::clamp(local, start, now) - start) * kDayWidth / (24 * 3600);
  };
  std::string strip;
  std::int64_t x = 0;  // where the strip has reached
  for (const int k : job.Runs) {
    const tFichierXML& run = Slot(k);
    const std::int64_t ended = LocalSecondsOf(run.FileDate);
    if (ended < start) continue;
    strip += Span(std::max<std::int64_t>(0, at(ended) - x), "transparent", "");
    strip += Span(kMarkWidth, ColourOf(StateOf(ClassifyStatus(run.StatusId))),
                  DateAndTime(run) + " " + run.StatusText);
    x = std::max(x, at(ended)) + kMarkWidth;
  }
  if (job.Overdue) {
    strip += Span(std::max<std::int64_t>(0, at(*job.NextRunDue) - x), "transparent", "");
    x = std::max(x, at(*job.NextRunDue));
    strip += Span(std::max<std::int64_t>(kMarkWidth, at(now) - x), "#ffe082",
                  "overdue: the next run was due by " + DateAndTime(*job.NextRunDue));
  }
  return strip;
}

void WriteHtml(const std::vector<tListedJob>& jobs, const tListingRequest& request) {
  const std::int64_t now = LocalTimeNow();
  const std::int64_t start = LocalSecondsOf(MidnightOf(now)) - (kStripDays - 1) * 24 * 3600;
  std::vector<const tListedJob*> rows;
  for (const tListedJob& job : jobs) rows.push_back(&job);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const tListedJob* a, const tListedJob* b) { return Rank(*a) < Rank(*b); });
  const std::string title = "BackupExec jobs: " + StateCounts(jobs);
  std::vector<std::string> body = {
      "<p style=\"margin:0 0 12px 0\">" + std::to_string(jobs.size()) + " jobs in " +
          Escaped(request.Directory) + ", made " + DateAndTime(now) + "</p>",
      "<table style=\"border-collapse:collapse\">",
      "<tr><th style=\"" + std::string(kCell) + "\">State</th><th style=\"" + kCell +
          "\">Job</th><th style=\"" + kCell + "\">Last 14 days</th><th style=\"" + kCell +
          "\">Next run due</th><th style=\"" + kCell + "\">Last success</th><th style=\"" + kCell +
          "\">jobvigil</th></tr>"};
  for (const tListedJob* job : rows) {
    const tFichierXML* success = LastSuccessLog(*job);
    const std::string due = !job->NextRunDue ? "no schedule"
                            : job->Overdue   ? DateAndTime(*job->NextRunDue) + " overdue"
                                             : DateAndTime(*job->NextRunDue);
    body.push_back("<tr><td style=\"" + std::string(kCell) +
                   ";color:#ffffff;font-weight:bold;background:" + ColourOf(job->State) + "\">" +
                   StateName(job->State) + "</td><td style=\"" + kCell + "\">" +
                   Escaped(job->Written) + "</td><td style=\"" + kCell +
                   ";white-space:nowrap;width:" + std::to_string(kStripDays * kDayWidth) + "px\">" +
                   Strip(*job, start, now) + "</td><td style=\"" + kCell +
                   ";white-space:nowrap\">" + due + "</td><td style=\"" + kCell +
                   ";white-space:nowrap\">" + (success ? Escaped(DateAndTime(*success)) : "never") +
                   "</td><td style=\"" + kCell + "\">" + Escaped(job->Line) + "</td></tr>");
  }
  body.push_back("</table>");
  WritePage(title, body);
}

// Where the logs cannot be read, a page that says so in the state's colour, with the check's
// line: a mail that must not pass for a day without news.
void WriteHtmlStop(const std::string& text, tExitState state) {
  WritePage(
      "BackupExec jobs",
      {"<p style=\"padding:8px;color:#ffffff;font-weight:bold;background:" +
       std::string(ColourOf(state)) + "\">" + StateName(state) + ": " + Escaped(text) + "</p>"});
}

}  // namespace

const tListingWriter HtmlWriter = {WriteHtml, WriteHtmlStop};
