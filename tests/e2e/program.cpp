#include "tests/e2e/program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/environment.h"

namespace j6::test {

InstalledProgram::InstalledProgram() {
  const std::filesystem::path built = std::filesystem::path(OwnDirectory()) / J6_PROGRAM_FILE_NAME;
  const std::filesystem::path copy = folder_.path() / J6_PROGRAM_FILE_NAME;
  std::filesystem::copy_file(built, copy);
  program_ = copy.string();
  SetEnvironment("J6MAILER_REGISTRY", (elsewhere_.path() / "no-registry.reg").string());
  SetEnvironment("J6MAILER_DRIVES", (elsewhere_.path() / "no-drives").string());
  SetEnvironment("J6MAILER_NETRC", (elsewhere_.path() / "no-netrc").string());
  // Off Windows the locks of the runs of an area live here, so that tests
  // running side by side with the same area do not wait for each other.
  SetEnvironment("XDG_RUNTIME_DIR", runtime_.path().string());
}

void InstalledProgram::Configure(const std::string& iniText) const {
  WriteFileBytes(folder_.File("J6MailerCfg.ini"), iniText);
}

void InstalledProgram::AddLibrary(const std::string& builtPath) const {
  const std::filesystem::path built = std::filesystem::path(OwnDirectory()) / builtPath;
  std::filesystem::copy_file(built, folder_.path() / built.filename());
}

ChildResult InstalledProgram::Run(const std::string& remainder, Answer answer) const {
  ChildResult result;
  EXPECT_TRUE(RunProgram(program_, remainder, elsewhere_.path().string(), &result, answer))
      << "could not start " << program_;
  return result;
}

void InstalledProgram::AddCheckProgram() const {
  std::filesystem::copy_file(std::filesystem::path(OwnDirectory()) / J6_CHECK_FILE_NAME,
                             folder_.path() / J6_CHECK_FILE_NAME);
}

ChildResult InstalledProgram::Check(const std::string& remainder) const {
  const std::filesystem::path checker = folder_.path() / J6_CHECK_FILE_NAME;
  ChildResult result;
  EXPECT_TRUE(RunProgram(checker.string(), remainder, elsewhere_.path().string(), &result))
      << "could not start " << checker.string();
  return result;
}

std::string UsageBox() { return "J6Mailer - Office 2007 Edition: Specificare Area J6\n"; }

std::string TransferErrorBox() {
  return "J6Mailer - Office 2007 Edition: Email non spedita: errore di trasferimento file da J6\n";
}

}  // namespace j6::test
