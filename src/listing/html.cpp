// The listing as one HTML page for people: a daily mail to the backup team or a page on a share.
// Every job in a row: its state in colour, its name as the logs write it, the check's line, its
// last success and a strip of its last runs, each a coloured cell whose title gives its date and
// status. The page stands alone: no script, nothing fetched, every style on its element, which
// mail clients keep where they drop a style sheet.
#include <algorithm>

#include "listing/formats.h"
#include "platform/platform.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

// The runs a strip shows, the latest last: two weeks of a nightly job.
constexpr std::size_t kStripRuns = 14;

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

void WriteHtml(const std::vector<tListedJob>& jobs, const tListingRequest& request) {
  std::vector<std::string> body = {
      "<p style=\"margin:0 0 12px 0\">" + std::to_string(jobs.size()) + " jobs in " +
          Escaped(request.Directory) + "</p>",
      "<table style=\"border-collapse:collapse\">",
      "<tr><th style=\"" + std::string(kCell) + "\">State</th><th style=\"" + kCell +
          "\">Job</th><th style=\"" + kCell + "\">Last runs</th><th style=\"" + kCell +
          "\">Last success</th><th style=\"" + kCell + "\">jobvigil</th></tr>"};
  for (const tListedJob& job : jobs) {
    const tFichierXML* success = LastSuccessLog(job);
    std::string strip;
    const std::size_t first = job.Runs.size() - std::min(job.Runs.size(), kStripRuns);
    for (std::size_t i = first; i < job.Runs.size(); ++i) {
      const tFichierXML& run = Slot(job.Runs[i]);
      strip += "<span title=\"" + Escaped(DateAndTime(run) + " " + run.StatusText) +
               "\" style=\"display:inline-block;width:12px;height:18px;margin-right:2px;"
               "background:" +
               ColourOf(StateOf(ClassifyStatus(run.StatusId))) + "\"></span>";
    }
    body.push_back("<tr><td style=\"" + std::string(kCell) +
                   ";color:#ffffff;font-weight:bold;background:" + ColourOf(job.State) + "\">" +
                   StateName(job.State) + "</td><td style=\"" + kCell + "\">" +
                   Escaped(job.Written) + "</td><td style=\"" + kCell + ";white-space:nowrap\">" +
                   strip + "</td><td style=\"" + kCell + ";white-space:nowrap\">" +
                   (success ? Escaped(DateAndTime(*success)) : "never") + "</td><td style=\"" +
                   kCell + "\">" + Escaped(job.Line) + "</td></tr>");
  }
  body.push_back("</table>");
  WritePage("BackupExec jobs", body);
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
