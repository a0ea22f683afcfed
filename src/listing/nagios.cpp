// The listing as Nagios configuration: one service per job on the host named, using the
// template named, checked by the check_backupexec_job command that jobvigil ships. Nagios loads
// the file whatever the names hold, and no byte of a name reaches its syntax or the shell's.
#include "listing/formats.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

// A blank at the end too, where Nagios would strip it.
std::string StandIn(const std::string& utf8) {
  std::string name = WithStandIns(utf8, kRefusedInNagiosNames);
  if (!name.empty() && name.back() == ' ') name.back() = '_';
  return name;
}

// Text within a directive's value: Nagios ends the value at a ";" that no backslash comes
// before.
std::string Value(const std::string& text) {
  std::string value;
  for (const char c : text) value += c == ';' ? std::string("\\;") : std::string(1, c);
  return value;
}

// A value that ends its line: there a backslash would join the next line to it, and two stand
// for one.
std::string LastValue(const std::string& text) {
  return Value(text) + (text.ends_with('\\') ? "\\" : "");
}

// An argument of check_command, which the command puts in single quotes for the shell. Each
// layer undoes its own escape: the configuration's "\;", the arguments' "\!" and macros' "$$",
// and then the shell's quoting, where an apostrophe closes the quotes, comes as \' and opens
// them again.
std::string Argument(const std::string& text) {
  std::string argument;
  for (const char c : text) {
    if (c == '\'') {
      argument += "'\\''";
    } else if (c == '!') {
      argument += "\\!";
    } else if (c == '$') {
      argument += "$$";
    } else {
      argument += c;
    }
  }
  // A backslash before the "!" that ends the argument would escape it: the last one is written
  // outside the quotes, where the shell takes \\ for it.
  if (argument.ends_with('\\')) argument.replace(argument.size() - 1, 1, "'\\\\'");
  return Value(argument);
}

void WriteService(const std::string& templateName, const std::string& host,
                  const std::string& description, const std::string& displayName,
                  const std::string& command) {
  WriteLfLine("");
  WriteLfLine("define service {");
  WriteLfLine("    use                     " + templateName);
  WriteLfLine("    host_name               " + host);
  WriteLfLine("    service_description     " + description);
  WriteLfLine("    display_name            " + LastValue(displayName));
  WriteLfLine("    check_command           " + command);
  WriteLfLine("}");
}

void WriteNagios(const std::vector<tListedJob>& jobs, const tListingRequest& request) {
  WriteLfLine("# Written by jobvigil-jobs: a service for each BackupExec job the logs name. Each");
  WriteLfLine("# listing replaces this file; changes made here are lost.");
  const std::vector<std::string> names = ServiceNames(jobs, "BackupExec ", StandIn);
  const std::string jobTemplate = request.Template.empty() ? "generic-service" : request.Template;
  const std::string directory = Argument(request.Directory);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::string arguments = "!";
    arguments.append(directory).append("!").append(Argument(jobs[i].Written));
    WriteService(jobTemplate, request.Host, names[i], "BackupExec " + jobs[i].Written,
                 "check_backupexec_job" + arguments + "!" + NumberToText(WarningDays) + "!" +
                     NumberToText(CriticalDays));
    // No job's name holds ": " (the logs' label), so no other service meets these.
    if (request.SuccessWarningHours > 0)
      WriteService(
          request.SuccessTemplate.empty() ? jobTemplate : request.SuccessTemplate, request.Host,
          names[i] + ": last success", "BackupExec " + jobs[i].Written + ": last success",
          "check_backupexec_success" + arguments + "!" + NumberToText(request.SuccessWarningHours) +
              "!" + NumberToText(request.SuccessCriticalHours));
    if (request.OverdueServices)
      WriteService(request.OverdueTemplate.empty() ? jobTemplate : request.OverdueTemplate,
                   request.Host, names[i] + ": schedule",
                   "BackupExec " + jobs[i].Written + ": schedule",
                   // The empty argument last keeps a blank that ends the job's name, which
                   // Nagios would strip from the end of the line.
                   "check_backupexec_overdue" + arguments + "!");
  }
}

}  // namespace

const tListingWriter NagiosWriter = {WriteNagios, StopKeepingTheFile};
