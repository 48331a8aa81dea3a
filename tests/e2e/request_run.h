// One whole run of the installed program on a request, with the registry,
// area file and libraries a test chooses, and what came of it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/support/area_request.h"

namespace j6::test {

/// One request and the world it meets.
struct World {
  std::string area = "A01";
  std::vector<std::string> libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPI32};
  std::string mapiMode;                // the configuration file's "MAPI"
  std::string mailClientLines;         // further lines of its [MAILCLIENT], CR LF ended
  std::string smtpSettings;            // the lines of its [SMTP] section, CR LF ended
  std::string mapiResult = "0";        // what the test MAPI32 returns
  std::string mapiexFailing;           // the test wrapper's call that fails
  std::string mapiexFormResult = "1";  // what its ShowForm returns
  std::string senderName = "Ufficio";  // empty: not in the registry
  std::string senderEmail = "uff@example.com";
  std::string winNet = "si";  // empty: not in the registry
  std::string delTmp;         // empty: not in the registry
  std::string spoolDir = "\\\\srv\\spool\\";
  std::string glDirSys;  // empty: not in the registry
  AreaRequest request;
  std::string areaFileName;  // under mqbox; empty: the area name
  std::size_t areaFileSize = 512;
  // What a test transfer library does at the local path: "0" writes the
  // document, "1" writes nothing, "empty" an empty file.
  std::string delivery = "0";
  // The faults a test may put in the world.
  std::optional<std::string> configText;     // the whole J6MailerCfg.ini (its log path: see log)
  bool noConfigFile = false;                 // no J6MailerCfg.ini at all
  std::optional<std::string> registryText;   // the whole registry file (see Scene)
  std::string registryExtra;                 // keys of other programs, after the J6 settings
  std::optional<std::string> netDir;         // "NetDir", instead of the test's network folder
  std::optional<std::string> areaFileBytes;  // instead of the record
  bool areaFileIsFolder = false;
  /// Runs just before the program starts.
  std::function<void(const InstalledProgram&)> prepare;
  Answer answer = Answer::kNone;  // to a question box
};

struct Outcome {
  std::vector<std::string> lines;             // between "J6Mailer <area>" and "J6Mailer: End"
  std::vector<std::string> acquisitionLines;  // the part of `lines` before composition
  std::vector<std::string> calls;             // of a test transfer library, one per line
  std::vector<std::string> mapiCalls;         // what the test MAPI32 was handed, an item a line
  std::vector<std::string> mapiexCalls;       // the test wrapper's calls, in order
  std::string boxes;
  bool areaFileLeft = false;
  std::string netDir;      // the network folder, as the program sees it
  std::string document;    // what arrived at the local document path
  std::string log;         // the run log's path (its bytes may be missing)
  long peakKilobytes = 0;  // as ChildResult has it
};

/// The log lines of the acquisition of the default World's request, a
/// multi-server request in network mode, in their order.
std::vector<std::string> TypicalAcquisitionLines(const std::string& netDir);

/// A world set up as a World says, its program installed (the network
/// folder under the program's elsewhere()) and not yet run: for tests that
/// run the program more than once in one world. In the registry's text
/// "<net>" stands for the network folder (ending in a separator) and
/// "<program>" for the program's folder.
class Scene {
 public:
  explicit Scene(const World& world);

  const InstalledProgram& program() const { return program_; }
  /// The network folder, as the program sees it (ending in a backslash).
  const std::string& netDir() const { return netDir_; }
  /// The file under the network folder, in the platform's own form.
  std::string NetFile(const std::string& relative) const;
  /// Writes the request as the host does, into mqbox\ under `fileName`.
  void WriteRequest(const std::string& fileName, const AreaRequest& request) const;
  /// Points the test MAPI32's record at `name` in the program's folder;
  /// the path of that record.
  std::string RecordMapiCallsIn(const std::string& name) const;
  /// What the run that ended with `result` did.
  Outcome Report(const ChildResult& result) const;

 private:
  World world_;
  InstalledProgram program_;
  std::string netDir_;
  std::string areaFile_;
};

/// Installs the program, sets the world up as `world` says, runs the request
/// and reports.
Outcome RunRequest(const World& world);

/// The lines of a mail client's record (or any file), without their ends.
std::vector<std::string> FileLines(const std::string& path);

}  // namespace j6::test
