#include "check/mail_client_check.h"

#include <cstdint>
#include <string>
#include <vector>

#include "mail/file_name.h"
#include "platform/ascii.h"
#include "platform/file_probe.h"
#include "platform/registry.h"

namespace j6::check {

namespace {

constexpr const char* kClientsKey = "Software\\Clients\\Mail";
// Named by the build: the packages of each bitness.
constexpr const char* kPackage32 = J6_PACKAGE_32;
constexpr const char* kPackage64 = J6_PACKAGE_64;

/// A text value, a REG_EXPAND_SZ one expanded; false when the key or value
/// is missing or holds no text. The empty name is the key's default value.
bool ReadText(platform::RegistryRoot root, const std::string& keyPath, const char* valueName,
              std::string* text) {
  platform::RegistryKey key(root);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (key.Open(keyPath.c_str()) != platform::kRegistrySuccess ||
      key.Query(valueName, &type, nullptr, &size) != platform::kRegistrySuccess ||
      (type != platform::kRegSz && type != platform::kRegExpandSz)) {
    return false;
  }
  std::vector<unsigned char> data(size + std::size_t{1}, 0);
  if (key.Query(valueName, &type, data.data(), &size) != platform::kRegistrySuccess) return false;
  text->assign(reinterpret_cast<const char*>(data.data()));
  if (type == platform::kRegExpandSz) *text = platform::ExpandRegistryText(*text);
  return true;
}

std::string Package(int bits) {
  const std::string name = bits == 64 ? kPackage64 : kPackage32;
  return "the " + std::to_string(bits) + "-bit package" + (name.empty() ? "" : " (" + name + ")");
}

/// The client's MAPI library, at the path its key gives: Wine's own, or
/// there and built as J6Mailer is.
void CheckClientLibrary(const Program& program, const std::string& library,
                        const std::string& named, Report& report) {
  const std::string file(mail::WindowsFileName(library));
  if (platform::EqualsIgnoringAsciiCase(file, "winemapi.dll")) {
    // Wine's built-in lies in its system folder, of the process's bitness.
    report.Warn(library + ", the MAPI library of " + named +
                ", is Wine's: it opens a compose window and drops the attachments, whatever it "
                "returns; install a MAPI mail client, or use MAPI=SMTP");
    return;
  }
  const std::string path = platform::HostPathOf(library);
  if (platform::KindOfPath(path) != platform::PathKind::kFile) {
    report.Fail(library + ", the MAPI library of " + named + ", does not exist");
    return;
  }
  const BinaryHeader header = ReadBinaryHeader(path);
  if (header.format == BinaryFormat::kUnknown) {
    report.Warn("what " + library + " was built for cannot be read");
    return;
  }
  const std::string mismatch = Mismatch(file, header, program);
  if (mismatch.empty()) {
    report.Ok(file + " is " + std::to_string(header.bits) + "-bit, as " + program.fileName);
  } else if (header.bits != 0 && header.bits != program.header.bits) {
    report.Fail(mismatch + ": MAPI cannot load it into J6Mailer; take " + Package(header.bits) +
                " instead");
  } else {
    report.Fail(mismatch + ": MAPI cannot load it into J6Mailer");
  }
}

}  // namespace

void CheckMailClient(const Program& program, bool extendedMapi, bool standIns, Report& report) {
  std::string client;
  const char* hive = "HKEY_CURRENT_USER";
  if (!ReadText(platform::RegistryRoot::kCurrentUser, kClientsKey, "", &client) || client.empty()) {
    hive = "HKEY_LOCAL_MACHINE";
    if (!ReadText(platform::RegistryRoot::kLocalMachine, kClientsKey, "", &client)) client.clear();
  }
  if (client.empty()) {
    if (standIns) {
      report.Ok("no default mail client in the registry: the mail stand-ins need none");
    } else {
      report.Fail(
          "no default mail client (Software\\Clients\\Mail names none): MAPI has nobody "
          "to hand a mail to; make a MAPI mail client the default");
    }
    return;
  }
  const std::string key = std::string(kClientsKey) + "\\" + client;
  const std::string named = "the default mail client \"" + client + "\"";
  std::string library;
  const char* value = "DLLPathEx";
  if (!ReadText(platform::RegistryRoot::kLocalMachine, key, value, &library) || library.empty()) {
    if (extendedMapi) {
      // The system's stub hands Extended MAPI to DLLPathEx alone.
      report.Fail(named + " (" + hive + ") registers no DLLPathEx (HKEY_LOCAL_MACHINE\\" + key +
                  "): it has no Extended MAPI for MAPI=EXTENDED; make a client with Extended "
                  "MAPI the default, or leave MAPI unset");
      return;
    }
    value = "DLLPath";
    if (!ReadText(platform::RegistryRoot::kLocalMachine, key, value, &library)) library.clear();
  }
  if (library.empty()) {
    report.Fail(named + " (" + hive + ") takes no MAPI mail: HKEY_LOCAL_MACHINE\\" + key +
                " names no DLLPathEx or DLLPath; make a MAPI mail client the default");
    return;
  }
  report.Ok(named + " (" + hive + "), its MAPI library " + library + " (" + value + ")");
  CheckClientLibrary(program, library, named, report);
}

}  // namespace j6::check
