#include "tests/e2e/request_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "tests/support/environment.h"
#include "tests/support/log_lines.h"
#include "tests/support/registry_import.h"

namespace j6::test {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::string RootOf(const std::string& area) {
  const bool mono = !area.empty() && area[0] >= '0' && area[0] <= '9';
  return mono ? "ORV\\J6" : "ORV\\J6" + area.substr(0, 3);
}

std::string Setting(const std::string& key, const std::string& text) {
  return "J6FTPara: HKEY_CURRENT_USER\\" + key + ": " + text;
}

std::string Defaulted(const std::string& key, const std::string& text) {
  return "J6FTPara: HKEY_CURRENT_USER\\" + key + " not found, use default: " + text;
}

}  // namespace

std::vector<std::string> TypicalAcquisitionLines(const std::string& netDir) {
  const std::string out = "ORV\\J6A01\\J6Out\\";
  return {
      "J6FTPara: MULTI-SERVER",
      Defaulted("ORV\\J6A01\\NomeServer", "A01"),
      Defaulted(out + "\\FileIcon", "*"),
      Setting(out + "Mail\\MailFromName", "Ufficio"),
      Setting(out + "Mail\\MailFromEmail", "uff@example.com"),
      Setting(out + "NetWork\\PortNo", "25x"),
      Setting(out + "NetWork\\WinNet", "si"),
      Defaulted(out + "NetWork\\KeepBmp", "si"),
      Defaulted(out + "NetWork\\DelDoc", "si"),
      Defaulted(out + "NetWork\\DelTmp", "si"),
      Setting(out + "NetWork\\NetDir", netDir),
      Defaulted("ORV\\J6A01\\J6Cli\\Setup\\GL_DirSys", "?"),
      Setting(out + "Setup\\ServerName", "srv"),
      Setting(out + "Setup\\SpoolDir", "\\\\srv\\spool\\"),
  };
}

Scene::Scene(const World& world) : world_(world) {
  const std::filesystem::path net = program_.elsewhere().path() / "net";
  std::filesystem::create_directories(net / "mqbox");
  std::filesystem::create_directories(net / "SPOOL");
  netDir_ = AsWindowsPath(net) + "\\";

  for (const std::string& library : world.libraries) program_.AddLibrary(library);
  const std::string log = program_.folder().File("run.log");
  if (world.configText) {
    program_.Configure(*world.configText);
  } else if (!world.noConfigFile) {
    program_.Configure("[MAILCLIENT]\r\nLOGFILE=" + log + "\r\nMAPI=" + world.mapiMode + "\r\n" +
                       world.mailClientLines + "[SMTP]\r\n" + world.smtpSettings);
  }

  const std::string out = "[HKEY_CURRENT_USER\\" + RootOf(world.area) + "\\J6Out";
  std::string reg = "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\ORV]\r\n\r\n";
  reg += out + "\\Mail]\r\n";
  if (!world.senderName.empty()) reg += "\"MailFromName\"=" + RegString(world.senderName) + "\r\n";
  if (!world.senderEmail.empty()) {
    reg += "\"MailFromEmail\"=" + RegString(world.senderEmail) + "\r\n";
  }
  reg += out + "\\NetWork]\r\n\"PortNo\"=\"25x\"\r\n\"NetDir\"=" +
         RegString(world.netDir.value_or(netDir_)) + "\r\n";
  if (!world.winNet.empty()) reg += "\"WinNet\"=" + RegString(world.winNet) + "\r\n";
  if (!world.delTmp.empty()) reg += "\"DelTmp\"=" + RegString(world.delTmp) + "\r\n";
  reg += out + "\\Setup]\r\n\"ServerName\"=\"srv\"\r\n";
  if (!world.spoolDir.empty()) reg += "\"SpoolDir\"=" + RegString(world.spoolDir) + "\r\n";
  if (!world.glDirSys.empty()) {
    reg += "[HKEY_CURRENT_USER\\" + RootOf(world.area) +
           "\\J6Cli\\Setup]\r\n\"GL_DirSys\"=" + RegString(world.glDirSys) + "\r\n";
  }
  reg += world.registryExtra;
  if (world.registryText) reg = *world.registryText;
  // In a test's registry text "<net>" stands for the network folder and
  // "<program>" for the program's folder (no separator after it).
  for (const auto& [mark, path] : {std::pair<std::string, std::string>{"<net>", netDir_},
                                   {"<program>", AsWindowsPath(program_.folder().path())}}) {
    const std::string quoted = RegString(path);
    const std::string escaped = quoted.substr(1, quoted.size() - 2);
    for (std::size_t at; (at = reg.find(mark)) != std::string::npos;) {
      reg.replace(at, mark.size(), escaped);
    }
  }
  const std::string regFile = program_.folder().File("user.reg");
  WriteFileBytes(regFile, reg);
  EXPECT_TRUE(ImportRegistryFile(regFile));

  areaFile_ =
      (net / "mqbox" / (world.areaFileName.empty() ? world.area : world.areaFileName)).string();
  if (world.areaFileIsFolder) {
    std::filesystem::create_directories(areaFile_);
  } else if (world.areaFileBytes) {
    WriteFileBytes(areaFile_, *world.areaFileBytes);
  } else if (world.areaFileSize > 0) {
    std::filesystem::create_directories(std::filesystem::path(areaFile_).parent_path());
    std::string bytes = AreaRecordBytes(world.request);
    bytes.resize(world.areaFileSize, ' ');
    WriteFileBytes(areaFile_, bytes);
  }

  SetEnvironment("J6TEST_TRANSFER_RECORD", program_.folder().File("calls.txt"));
  SetEnvironment("J6TEST_TRANSFER_SKIP", world.delivery);
  RecordMapiCallsIn("mapi.txt");
  SetEnvironment("J6TEST_MAPI_RESULT", world.mapiResult);
  SetEnvironment("J6TEST_MAPIEX_RECORD", program_.folder().File("mapiex.txt"));
  SetEnvironment("J6TEST_MAPIEX_FAIL", world.mapiexFailing);
  SetEnvironment("J6TEST_MAPIEX_FORM", world.mapiexFormResult);
  if (world.prepare) world.prepare(program_);
}

std::string Scene::NetFile(const std::string& relative) const {
  return (program_.elsewhere().path() / "net" / relative).string();
}

void Scene::WriteRequest(const std::string& fileName, const AreaRequest& request) const {
  WriteFileBytes(NetFile("mqbox/" + fileName), AreaRecordBytes(request));
}

std::string Scene::RecordMapiCallsIn(const std::string& name) const {
  std::string path = program_.folder().File(name);
  SetEnvironment("J6TEST_MAPI_RECORD", path);
  return path;
}

Outcome Scene::Report(const ChildResult& result) const {
  Outcome outcome;
  outcome.netDir = netDir_;
  outcome.log = program_.folder().File("run.log");
  const std::vector<std::string> lines = LogMessages(ReadFileBytes(outcome.log));
  if (!world_.configText && !world_.noConfigFile) {
    EXPECT_GE(lines.size(), 4u);
  }
  if (lines.size() >= 4) outcome.lines.assign(lines.begin() + 2, lines.end() - 2);
  outcome.calls = FileLines(program_.folder().File("calls.txt"));
  outcome.mapiCalls = FileLines(program_.folder().File("mapi.txt"));
  outcome.mapiexCalls = FileLines(program_.folder().File("mapiex.txt"));
  for (const std::string& line : outcome.lines) {
    if (line.rfind("Stringa MailWait", 0) == 0) break;
    outcome.acquisitionLines.push_back(line);
  }
  outcome.boxes = result.boxes;
  outcome.peakKilobytes = result.peakKilobytes;
  outcome.areaFileLeft = std::filesystem::exists(areaFile_);
  outcome.document = ReadFileBytes(NetFile("SPOOL/DOC" + world_.area));
  return outcome;
}

Outcome RunRequest(const World& world) {
  const Scene scene(world);
  const ChildResult result = scene.program().Run(world.area, world.answer);
  EXPECT_EQ(result.exitCode, 0) << result.boxes;
  return scene.Report(result);
}

std::vector<std::string> FileLines(const std::string& path) {
  return SplitLines(ReadFileBytes(path));
}

}  // namespace j6::test
