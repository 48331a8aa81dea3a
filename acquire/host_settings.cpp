#include "acquire/host_settings.h"

#include <cstdint>
#include <string>

#include "acquire/registry_settings.h"
#include "platform/ascii.h"
#include "platform/registry.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6 {

namespace {

constexpr std::int32_t kDefaultPort = 8000;

/// The roots under the server's key: J6Out for the server's settings, J6Cli
/// for the client's.
void SetRoots(RunState& run, std::string_view serverKey) {
  run.outRoot.Assign(serverKey);
  run.outRoot.Append("\\J6Out\\");
  run.clientRoot.Assign(serverKey);
  run.clientRoot.Append("\\J6Cli\\");
}

}  // namespace

void SelectMonoServer(RunState& run) {
  LogLine("J6FTPara: MONO-SERVER");
  SetRoots(run, "ORV\\J6");
}

ServerMode SelectServerMode(RunState& run, std::string_view areaName) {
  if (!areaName.empty() && areaName[0] >= '0' && areaName[0] <= '9') {
    SelectMonoServer(run);
    return ServerMode::kMono;
  }
  LogLine("J6FTPara: MULTI-SERVER");
  const std::string serverKey = "ORV\\J6" + std::string(areaName.substr(0, 3));
  const std::string area(areaName);
  FixedString<300> scratch;
  ReadSetting(nullptr, "NomeServer", scratch, serverKey.c_str(), area.c_str(), 100);
  SetRoots(run, serverKey);
  ReadSetting(nullptr, "FileIcon", scratch, run.outRoot.c_str(), "*", 260);
  return ServerMode::kMulti;
}

bool HasMonoServerSettings() {
  platform::RegistryKey key;
  return key.Open("ORV\\J6\\J6Out") == platform::kRegistrySuccess;
}

std::vector<std::string> ServersWithSettings() {
  std::vector<std::string> servers;
  platform::RegistryKey key;
  if (key.Open("ORV") != platform::kRegistrySuccess) return servers;
  for (const std::string& name : key.SubkeyNames()) {
    if (name.size() > 2 && platform::StartsWithIgnoringAsciiCase(name, "J6")) {
      servers.push_back(name.substr(2));
    }
  }
  return servers;
}

bool IsYes(std::string_view setting) {
  return platform::StartsWithIgnoringAsciiCase(setting, "si");
}

std::int32_t PortFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = number * 10 + (text[i] - '0');
    if (number > INT32_MAX + std::int64_t{1}) return kDefaultPort;
  }
  if (negative) number = -number;
  if (number == 0 || number > INT32_MAX) return kDefaultPort;
  return static_cast<std::int32_t>(number);
}

bool LoadNetworkSettings(RunState& run) {
  const char* out = run.outRoot.c_str();
  ReadSetting("Mail", "MailFromName", run.senderName, out, "", 100);
  std::size_t senderLength = 0;
  ReadSetting("Mail", "MailFromEmail", run.senderEmail, out, "", 100, &senderLength);
  run.senderEmailCut = senderLength > 100;

  FixedString<10> scratch;
  ReadSetting("NetWork", "PortNo", scratch, out, "8000", 10);
  run.port = PortFromText(scratch.view());

  scratch.Clear();
  ReadSetting("NetWork", "WinNet", scratch, out, "no", 10);
  run.networkMode = IsYes(scratch.view());
  if (run.networkMode) {
    ReadSetting("NetWork", "KeepBmp", scratch, out, "si", 10);
    ReadSetting("NetWork", "DelDoc", scratch, out, "si", 10);
    ReadSetting("NetWork", "DelTmp", scratch, out, "si", 10);
    run.deleteAreaFile = IsYes(scratch.view());
  }

  run.networkDir.Clear();
  return ReadPathSetting("NetWork", "NetDir", run.networkDir, out, "C:\\Temp\\", 100);
}

}  // namespace j6
