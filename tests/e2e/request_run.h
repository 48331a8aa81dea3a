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
  bool deliver = true;  // whether a test transfer library writes the document
  // The faults a test may put in the world.
  std::optional<std::string> configText;     // the whole J6MailerCfg.ini (its log path: see log)
  bool noConfigFile = false;                 // no J6MailerCfg.ini at all
  std::optional<std::string> registryText;   // the whole registry file; "<net>": the network folder
  std::optional<std::string> netDir;         // "NetDir", instead of the test's network folder
  std::optional<std::string> areaFileBytes;  // instead of the record
  bool areaFileIsFolder = false;
  /// Runs just before the program starts.
  std::function<void(const InstalledProgram&)> prepare;
};

struct Outcome {
  std::vector<std::string> lines;             // between "J6Mailer <area>" and "J6Mailer: End"
  std::vector<std::string> acquisitionLines;  // the part of `lines` before composition
  std::vector<std::string> calls;             // of a test transfer library, one per line
  std::vector<std::string> mapiCalls;         // what the test MAPI32 was handed, an item a line
  std::vector<std::string> mapiexCalls;       // the test wrapper's calls, in order
  std::string boxes;
  bool areaFileLeft = false;
  std::string netDir;    // the network folder, as the program sees it
  std::string document;  // what arrived at the local document path
  std::string log;       // the run log's path (its bytes may be missing)
};

/// The log lines of the acquisition of the default World's request, a
/// multi-server request in network mode, in their order.
std::vector<std::string> TypicalAcquisitionLines(const std::string& netDir);

/// Installs the program, sets the world up as `world` says (the network
/// folder under the program's elsewhere()), runs the request and reports.
Outcome RunRequest(const World& world);

}  // namespace j6::test
