#include "check/test_mail.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquire/host_settings.h"
#include "check/report.h"
#include "dispatch/outgoing_mail.h"
#include "dispatch/route.h"
#include "platform/file_probe.h"
#include "platform/files.h"
#include "platform/host_name.h"
#include "platform/line_reader.h"
#include "run/configuration.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6::check {

namespace {

constexpr std::string_view kTestMail = "--test-mail";
constexpr const char* kSubject = "J6Mailer test mail";
constexpr const char* kAttachmentName = "J6MailerTest.txt";
constexpr const char* kAttachmentText =
    "A test attachment of J6Mailer.\r\n"
    "It arrived whole: a request's document will arrive the same way.\r\n";
// More than a test mail's lines, however many other runs write beside it.
constexpr std::size_t kMostLogBytesShown = std::size_t{64} * 1024;

bool WriteAttachment(const std::string& path) {
  const std::unique_ptr<std::FILE, FileCloser> file(platform::OpenFile(path, "wb"));
  const std::string_view text(kAttachmentText);
  return file != nullptr && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
         std::fflush(file.get()) == 0;
}

/// The size of the log before the test mail: its lines are what follows.
std::uint64_t LogSize(const std::string& hostLog) {
  std::uint64_t size = 0;
  return platform::KindOfPath(hostLog, &size) == platform::PathKind::kFile ? size : 0;
}

/// Prints the lines the log gained since it had `start` bytes.
void ShowLogLines(const std::string& log, std::uint64_t start, Report& report, std::FILE* out) {
  if (log.empty()) {
    report.Warn("J6Mailer keeps no log (no LOGFILE): a failure's reason is not kept");
    return;
  }
  const std::string hostLog = platform::HostPathOfProfilePath(log);
  std::string bytes;
  const std::uint64_t end = LogSize(hostLog);
  if (end > start) {
    const std::uint64_t count = std::min<std::uint64_t>(end - start, kMostLogBytesShown);
    platform::ReadFilePart(hostLog, end - count, static_cast<std::size_t>(count), &bytes);
  }
  if (bytes.empty()) {
    report.Warn("the run log " + log + " gained no line: see its folder's check");
    return;
  }
  std::fprintf(out, "The run log %s gained:\n", log.c_str());
  platform::BasicLineReader<char> lines(bytes);
  std::string_view line;
  while (lines.Next(&line)) {
    std::fprintf(out, "  %.*s\n", static_cast<int>(line.size()), line.data());
  }
}

/// Hands the test mail over as a run would, logging as a run logs; the
/// attachment is made for it and removed after.
HandOver SendTestMail(RunState& run, const TestMailLine& line, std::string* attachment) {
  const std::string& address = line.address;
  if (line.area.empty()) {
    SelectMonoServer(run);
  } else {
    SelectServerMode(run, line.area);
  }
  // The sender's settings; the network folder's may be unusable, as no
  // request is read and no document fetched.
  LoadNetworkSettings(run);
  run.recipients.Assign(address);
  run.subject.Assign(kSubject);
  const std::string host = platform::FullyQualifiedHostName();
  run.body.Assign("A test mail of J6Mailer, sent by J6MailerCheck --test-mail" +
                  (host.empty() ? std::string() : " on " + host) +
                  ": requests handed over this way reach " + address + ".");
  *attachment = platform::TemporaryFolder() + kAttachmentName;
  if (!WriteAttachment(*attachment)) {
    LogLine("cannot write the test attachment %s", attachment->c_str());
    attachment->clear();
    return HandOver::kFailed;
  }
  run.extraAttachmentPath.Assign(*attachment);
  const HandOver outcome = RouteOf(run.handOver).send(run, false);
  platform::DeleteFileAt(*attachment);
  return outcome;
}

/// Without an area, where the settings are: none of the mono-server's while
/// areas have theirs means the area must be named.
void SayWhichArea(const std::string& address, Report& report) {
  if (HasMonoServerSettings()) return;
  const std::vector<std::string> servers = ServersWithSettings();
  if (servers.empty()) return;
  std::string named;
  for (const std::string& server : servers) named += (named.empty() ? "" : ", ") + server;
  report.Warn(
      "no mono-server settings (HKEY_CURRENT_USER\\ORV\\J6\\J6Out): the registry holds "
      "those of the areas beginning " +
      named + ": name one, as in J6MailerCheck --test-mail " + address + " " + servers.front() +
      "...");
}

}  // namespace

TestMailLine ReadTestMailLine(std::string_view rest) {
  TestMailLine line;
  rest = TrimmedOfBlanks(rest);
  const std::size_t blank = rest.find_last_of(" \t");
  if (blank != std::string_view::npos &&
      rest.substr(blank + 1).find('@') == std::string_view::npos) {
    line.area = std::string(rest.substr(blank + 1));
    rest = TrimmedOfBlanks(rest.substr(0, blank));
  }
  // The rest of the command line is taken whole, as J6Mailer takes its area:
  // quotes a shell put around it are not the address's.
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
    rest = rest.substr(1, rest.size() - 2);
  }
  line.address = std::string(rest);
  return line;
}

bool IsTestMail(std::string_view commandLine) {
  const std::string_view line = TrimmedOfBlanks(commandLine);
  return line.substr(0, kTestMail.size()) == kTestMail &&
         (line.size() == kTestMail.size() ||
          static_cast<unsigned char>(line[kTestMail.size()]) <= ' ');
}

int TestMail(std::string_view commandLine, std::FILE* out) {
  platform::RememberStartFolder();
  const std::string_view rest = TrimmedOfBlanks(commandLine).substr(kTestMail.size());
  const TestMailLine line = ReadTestMailLine(rest);
  const std::string& address = line.address;
  RunState run;
  Report report(out);
  if (address.empty()) {
    report.Fail("--test-mail needs the address to send the test mail to");
    return 1;
  }
  if (address.size() > run.recipients.kCapacity) {
    report.Fail("the address is longer than the " + std::to_string(run.recipients.kCapacity) +
                " characters a request's recipients hold");
    return 1;
  }
  LoadConfiguration(run);
  const std::string log(run.logFilePath.view());
  const std::uint64_t logStart = log.empty() ? 0 : LogSize(platform::HostPathOfProfilePath(log));
  SetRunLogFile(log);
  std::fprintf(out, "Sending a test mail to %s (%s=%s, %s)\n", address.c_str(), kMapiKey,
               run.mapiMode.c_str(),
               line.area.empty() ? "the mono-server settings"
                                 : ("the settings of area " + line.area).c_str());
  std::fflush(out);
  if (line.area.empty()) SayWhichArea(address, report);
  LogLine("%s", kLogRule);
  LogLine("J6MailerCheck --test-mail %s", std::string(TrimmedOfBlanks(rest)).c_str());
  std::string attachment;
  const HandOver outcome = SendTestMail(run, line, &attachment);
  LogLine("J6MailerCheck: End");
  LogLine("%s", kLogRule);
  ShowLogLines(log, logStart, report, out);
  switch (outcome) {
    case HandOver::kHandedOver:
      report.Ok("the test mail was handed over: look for \"" + std::string(kSubject) + "\" at " +
                address + ", with the attachment " + kAttachmentName);
      return 0;
    case HandOver::kMaybeSent:
      report.Warn("the test mail may have been sent: look for \"" + std::string(kSubject) +
                  "\" at " + address + " before trying again");
      break;
    case HandOver::kFailed:
    case HandOver::kCancelled:
      report.Fail(attachment.empty() && outcome == HandOver::kFailed
                      ? "the test mail was not sent: no test attachment could be written in " +
                            platform::TemporaryFolder()
                      : "the test mail was not sent: the log's lines above say why");
      break;
  }
  return 1;
}

}  // namespace j6::check
