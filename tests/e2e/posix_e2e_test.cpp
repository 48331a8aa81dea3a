// What only the off-Windows build does or can show: paths in Windows form land
// under the drives folder, and folders deeper than Windows allows.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/standins/eml_reader.h"
#include "tests/support/environment.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

TEST(PosixEntry, WindowsLogPathLandsUnderTheDrivesFolder) {
  InstalledProgram program;
  const std::filesystem::path drives = program.elsewhere().path() / "drives";
  std::filesystem::create_directories(drives / "c" / "Logs");
  setenv("J6MAILER_DRIVES", drives.c_str(), 1);
  program.Configure("[MAILCLIENT]\r\nLOGFILE=C:\\Logs\\j6.log\r\n");
  const ChildResult result = program.Run("A01");
  unsetenv("J6MAILER_DRIVES");
  EXPECT_EQ(result.exitCode, 0);
  const std::vector<std::string> lines =
      LogMessages(ReadFileBytes((drives / "c" / "Logs" / "j6.log").string()));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "J6Mailer A01");
  EXPECT_EQ(lines[lines.size() - 2], "J6Mailer: End");
}

// A configuration path longer than its 259-character field is not read at
// all, rather than read cut short.
TEST(PosixEntry, ConfigurationPathMustFitItsField) {
  const TempDir scratch;
  const std::string log = scratch.File("run.log");
  for (const std::size_t length : {std::size_t{259}, std::size_t{260}}) {
    // The folder's path, a separator and J6MailerCfg.ini make `length`.
    std::filesystem::path folder = scratch.path() / std::to_string(length);
    const std::size_t base = folder.string().size() + 1;
    std::string rest(length - 16 - base, 'd');
    for (std::size_t i = 100; i < rest.size(); i += 100) rest[i] = '/';
    folder /= rest;
    std::filesystem::create_directories(folder);
    ASSERT_EQ((folder / "J6MailerCfg.ini").string().size(), length);
    std::filesystem::copy_file(std::filesystem::path(OwnDirectory()) / J6_PROGRAM_FILE_NAME,
                               folder / J6_PROGRAM_FILE_NAME);
    WriteFileBytes((folder / "J6MailerCfg.ini").string(), "[MAILCLIENT]\nLOGFILE=" + log + "\n");

    std::filesystem::remove(log);
    ChildResult result;
    ASSERT_TRUE(RunProgram((folder / J6_PROGRAM_FILE_NAME).string(), "A01", scratch.path().string(),
                           &result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::filesystem::exists(log), length == 259) << length;
  }
}

// The stand-in transfer library copies the file the server path names.
TEST(PosixEntry, StandInTransferLibraryCopiesTheServerFile) {
  World world;
  world.libraries = {J6_STANDIN_J6TFN, J6_DOUBLE_MAPI32};
  world.prepare = [](const InstalledProgram& program) {
    const std::filesystem::path spool =
        program.elsewhere().path() / "no-drives" / "unc" / "srv" / "spool" / "PRT";
    std::filesystem::create_directories(spool);
    WriteFileBytes((spool / "R1").string(), "%PDF-1.4 the document");
  };
  const Outcome outcome = RunRequest(world);
  EXPECT_EQ(outcome.document, "%PDF-1.4 the document");
  EXPECT_EQ(outcome.boxes, "");

  world.prepare = nullptr;  // nothing on the server: nothing arrives
  const Outcome missing = RunRequest(world);
  EXPECT_EQ(missing.document, "");
  ASSERT_GE(missing.acquisitionLines.size(), 2u);
  EXPECT_EQ(missing.acquisitionLines[missing.acquisitionLines.size() - 2],
            "J6FTPara: document not received " + missing.netDir + "SPOOL\\DOCA01");
  EXPECT_EQ(missing.boxes, TransferErrorBox());
}

// Off Windows a device name is a plain file name; it is refused all the same,
// so that the same request behaves alike on every platform.
TEST(PosixEntry, DeviceAreaNamesAreRefusedThoughSuchAFileExists) {
  for (const char* area : {"COM1", "aux.txt"}) {
    SCOPED_TRACE(area);
    World world;
    world.area = area;
    const Outcome outcome = RunRequest(world);
    EXPECT_TRUE(outcome.areaFileLeft);
    EXPECT_TRUE(outcome.calls.empty());
    EXPECT_EQ(outcome.boxes, TransferErrorBox());
  }
}

/// The README's demo, with the stand-in libraries, both ways to the client:
/// the mail in the outbox must carry the request's text and both files.
TEST(PosixEntry, DemoRequestArrivesInTheOutbox) {
  const std::filesystem::path source = J6_SOURCE_DIR;
  for (const char* mapi : {"EXTENDED", ""}) {
    SCOPED_TRACE(mapi);
    InstalledProgram program;
    for (const char* library : {"libJ6TFN.so", "libMAPI32.so", "libMAPIEx.so"}) {
      program.AddLibrary(library);
    }
    program.Configure(std::string("[MAILCLIENT]\nLOGFILE=C:\\Temp\\J6Mailer.log\nMAPI=") + mapi +
                      "\n");
    const std::filesystem::path drives = program.elsewhere().path() / "drives";
    std::filesystem::create_directories(drives / "c" / "Temp" / "mqbox");
    std::filesystem::create_directories(drives / "c" / "Temp" / "SPOOL");
    std::filesystem::create_directories(drives / "c" / "J6" / "SYS");
    std::filesystem::create_directories(drives / "unc" / "j6demo");
    std::filesystem::copy(source / "demo" / "mqbox" / "A01", drives / "c" / "Temp" / "mqbox");
    std::filesystem::copy(source / "demo" / "spool", drives / "unc" / "j6demo" / "spool",
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy(source / "demo" / "sys" / "CONDIZIONI.PDF", drives / "c" / "J6" / "SYS");
    const std::filesystem::path outbox = program.elsewhere().path() / "outbox";
    SetEnvironment("J6MAILER_DRIVES", drives.string());
    SetEnvironment("J6MAILER_REGISTRY", (source / "demo" / "user.reg").string());
    SetEnvironment("J6MAILER_OUTBOX", outbox.string());

    const ChildResult result = program.Run("A01");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.boxes, "");
    const std::vector<std::string> files = OutboxFiles(outbox.string());
    ASSERT_EQ(files.size(), 1u);
    const std::optional<EmlMessage> mail = ReadEml(files[0]);
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->Header("From").value_or(""), "Ufficio Fatturazione <fatturazione@example.com>");
    EXPECT_EQ(mail->Header("To").value_or(""), "anna.rossi@example.com, acquisti@example.com");
    EXPECT_EQ(mail->Header("Subject").value_or(""), "Fattura 2026/0117");
    EXPECT_EQ(mail->Header("MIME-Version").value_or(""), "1.0");
    EXPECT_FALSE(mail->Header("X-Unsent").has_value());
    EXPECT_EQ(mail->body, "Gentile cliente,\nin allegato la fattura di dicembre.\nCordiali saluti");
    ASSERT_EQ(mail->attachments.size(), 2u);
    EXPECT_EQ(mail->attachments[0].name, "F2026-0117.PDF");
    EXPECT_EQ(mail->attachments[0].bytes,
              ReadFileBytes((source / "demo" / "spool" / "FATTURE" / "F2026-0117.PDF").string()));
    EXPECT_EQ(mail->attachments[1].name, "CONDIZIONI.PDF");
    EXPECT_EQ(mail->attachments[1].bytes,
              ReadFileBytes((source / "demo" / "sys" / "CONDIZIONI.PDF").string()));
    // The request was taken: the area file is gone (DelTmp).
    EXPECT_FALSE(std::filesystem::exists(drives / "c" / "Temp" / "mqbox" / "A01"));
  }
}

// Off Windows the registry is a file: missing, unreadable or malformed, it is
// an empty registry, and every setting takes its default.
TEST(PosixEntry, RegistryFileFaultsGiveTheDefaults) {
  const struct {
    const char* name;
    std::function<void(const std::filesystem::path&)> spoil;
  } cases[] = {
      {"missing", [](const std::filesystem::path& file) { std::filesystem::remove(file); }},
      {"a folder",
       [](const std::filesystem::path& file) {
         std::filesystem::remove(file);
         std::filesystem::create_directory(file);
       }},
      {"malformed",
       [](const std::filesystem::path& file) {
         WriteFileBytes(file.string(), std::string("\xff\xfe[\x00HKEY\x00\r\n\"x\"=", 15));
       }},
      {"no header",
       [](const std::filesystem::path& file) {
         WriteFileBytes(file.string(),
                        "[HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\NetWork]\r\n\"WinNet\"=\"si\"\r\n");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.prepare = [&c](const InstalledProgram& program) {
      c.spoil(program.folder().path() / "user.reg");
    };
    const Outcome outcome = RunRequest(world);
    ASSERT_GE(outcome.lines.size(), 3u);
    EXPECT_EQ(outcome.lines[outcome.lines.size() - 3],
              "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\NetWork\\NetDir not found, use "
              "default: C:\\Temp\\");
    EXPECT_EQ(outcome.lines[outcome.lines.size() - 2],
              "J6FTPara: could not open cobol area file C:\\Temp\\mqbox\\A01");
    EXPECT_EQ(outcome.boxes, TransferErrorBox());
    EXPECT_TRUE(outcome.areaFileLeft);
  }
}

}  // namespace
}  // namespace j6::test
