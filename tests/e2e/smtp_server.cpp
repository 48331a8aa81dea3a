#include "tests/e2e/smtp_server.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/request_run.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

std::string SmtpServerPort(const std::string& kind) {
  for (const std::string& line : FileLines(SmtpServerFile("ports.txt"))) {
    if (line.rfind(kind + " ", 0) == 0) return line.substr(kind.size() + 1);
  }
  ADD_FAILURE() << "the SMTP test server has no port for " << kind;
  return "0";
}

std::string SmtpServerFile(const std::string& name) {
  return (std::filesystem::path(J6_SMTP_SERVER_FOLDER) / name).string();
}

std::string SmtpServerUrl(const std::string& kind) {
  return (kind == "smtps" ? "smtps://localhost:" : "smtp://localhost:") + SmtpServerPort(kind);
}

ClientCertFile ClientCert(const std::string& name) {
  for (const std::string& line : FileLines(SmtpServerFile("client-certs.txt"))) {
    if (line.rfind(name + " ", 0) != 0) continue;
    const std::size_t blank = line.find(' ', name.size() + 1);
    return {SmtpServerFile(name), line.substr(name.size() + 1, blank - name.size() - 1),
            line.substr(blank + 1)};
  }
  ADD_FAILURE() << "the SMTP test server made no " << name;
  return {};
}

std::string SenderFor(const std::string& tag) { return "j6-" + tag + "@example.com"; }

std::vector<ReceivedMail> MailFrom(const std::string& sender) {
  std::vector<ReceivedMail> mails;
  const std::filesystem::path folder = std::filesystem::path(SmtpServerFile("mail")) / sender;
  for (int number = 1; std::filesystem::is_directory(folder / std::to_string(number)); ++number) {
    const std::filesystem::path mail = folder / std::to_string(number);
    ReceivedMail received;
    received.envelope = FileLines((mail / "envelope.txt").string());
    received.headers = FileLines((mail / "headers.txt").string());
    received.size = std::filesystem::file_size(mail / "message.eml");
    for (int part = 1; std::filesystem::exists(mail / ("part-" + std::to_string(part) + ".txt"));
         ++part) {
      const std::string stem = "part-" + std::to_string(part);
      ReceivedPart found;
      for (const std::string& line : FileLines((mail / (stem + ".txt")).string())) {
        const std::size_t colon = line.find(": ");
        const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
        if (line.rfind("type:", 0) == 0) found.type = value;
        if (line.rfind("encoding:", 0) == 0) found.encoding = value;
        if (line.rfind("filename:", 0) == 0) found.filename = value;
      }
      found.bytes = ReadFileBytes((mail / (stem + ".bin")).string());
      received.parts.push_back(found);
    }
    mails.push_back(received);
  }
  return mails;
}

}  // namespace j6::test
