#include "check/library_check.h"

#include "dispatch/mapiex_classes.h"
#include "mail/file_name.h"
#include "platform/dynamic_library.h"
#include "platform/module_path.h"

namespace j6::check {

namespace {

std::string Bits(int bits) { return std::to_string(bits) + "-bit"; }

/// How far a library got before it would be loaded.
enum class Found { kNowhere, kNotForThisProgram, kForThisProgram };

/// Finds the library as a run does and holds its header against the
/// program, with a line for each; "not found" is left to the caller, with
/// the search's reason in `*why`.
Found FindFor(const Program& program, const char* name, const char* role, std::string* file,
              std::string* why, Report& report) {
  std::string path;
  if (!platform::FindLibrary(name, &path, why)) return Found::kNowhere;
  *file = std::string(mail::WindowsFileName(path));
  const BinaryHeader header = ReadBinaryHeader(path);
  if (header.format == BinaryFormat::kUnknown) {
    // Let the loader say what is wrong with it.
    report.Warn(std::string(role) + " " + path + ": what it was built for cannot be read");
    return Found::kForThisProgram;
  }
  const std::string mismatch = Mismatch(*file, header, program);
  if (!mismatch.empty()) {
    report.Fail(mismatch + ": J6Mailer cannot load it (" + path + ")");
    return Found::kNotForThisProgram;
  }
  report.Ok(std::string(role) + " " + path + ", " + Bits(header.bits) + " as " + program.fileName);
  return Found::kForThisProgram;
}

/// Loads what FindFor found; a line when it does not load.
bool Load(platform::DynamicLibrary* library, const char* name, const std::string& file,
          Report& report) {
  if (library->Load(name)) return true;
  report.Fail(file + " does not load: " + library->error());
  return false;
}

}  // namespace

Program ThisProgram() {
  Program program;
  std::string path;
  if (platform::ModuleFileName(&path)) {
    program.fileName = std::string(mail::WindowsFileName(path));
    program.header = ReadBinaryHeader(path);
  }
  if (program.fileName.empty()) program.fileName = "the check program";
  program.header.bits = static_cast<int>(sizeof(void*) * 8);
  return program;
}

std::string Mismatch(const std::string& fileName, const BinaryHeader& header,
                     const Program& program) {
  const BinaryHeader& own = program.header;
  if (header.format != BinaryFormat::kUnknown && own.format != BinaryFormat::kUnknown &&
      header.format != own.format) {
    return fileName + " is " + DescribeFormat(header.format) + ", " + program.fileName + " " +
           DescribeFormat(own.format);
  }
  if (header.bits != 0 && header.bits != own.bits) {
    return fileName + " is " + Bits(header.bits) + ", " + program.fileName + " is " +
           Bits(own.bits);
  }
  if (!header.machine.empty() && !own.machine.empty() && header.machine != own.machine) {
    return fileName + " is built for " + header.machine + ", " + program.fileName + " for " +
           own.machine;
  }
  return std::string();
}

void CheckTransferLibrary(const Program& program, Report& report) {
  bool foundAny = false;
  std::string missing;
  for (const char* name : {"J6TFN", "J6TF"}) {
    std::string file;
    std::string why;
    const Found found = FindFor(program, name, "transfer library", &file, &why, report);
    if (found == Found::kNowhere) missing += (missing.empty() ? "" : "; ") + why;
    foundAny = foundAny || found != Found::kNowhere;
    platform::DynamicLibrary library;
    // A run tries J6TF only when J6TFN cannot be loaded at all.
    if (found != Found::kForThisProgram || !Load(&library, name, file, report)) continue;
    if (library.Symbol("j6tf") == nullptr) {
      report.Fail(file + " lacks j6tf: J6Mailer can fetch no document");
    } else if (name == std::string("J6TF")) {
      report.Ok(file + " exports j6tf; for want of J6TFN, J6Mailer calls it without the port");
    } else {
      report.Ok(file + " exports j6tf");
    }
    return;
  }
  if (!foundAny) report.Fail("no transfer library, J6Mailer can fetch no document: " + missing);
}

void CheckSimpleMapi(const Program& program, Report& report) {
  std::string file;
  std::string why;
  const char* name = "MAPI32.DLL";
  const Found found = FindFor(program, name, "Simple MAPI library", &file, &why, report);
  if (found == Found::kNowhere) report.Fail("no Simple MAPI library, no mail can go: " + why);
  platform::DynamicLibrary library;
  if (found != Found::kForThisProgram || !Load(&library, name, file, report)) return;
  if (library.Symbol("MAPISendMail") == nullptr) {
    report.Fail(file + " lacks MAPISendMail: no mail can go");
  } else {
    report.Ok(file + " exports MAPISendMail");
  }
}

void CheckExtendedMapi(const Program& program, Report& report) {
  std::string file;
  std::string why;
  const Found found = FindFor(program, "MAPIEx", "Extended wrapper", &file, &why, report);
  if (found == Found::kNowhere) report.Fail("no Extended wrapper, no mail can go: " + why);
  if (found != Found::kForThisProgram) return;
  platform::DynamicLibrary library;
  MapiExFunctions f{};
  if (!LoadMapiEx(&library, &f)) {
    report.Fail(library.loaded() ? file + " lacks part of the wrapper's interface: no mail can go"
                                 : file + " does not load: " + library.error());
    return;
  }
  report.Ok(file + " exports the whole wrapper interface");
  // As the Extended sender begins, and no further: no store, no message.
  CMAPIEx session(f);
  if (!CMAPIEx::Init(f, kMapiExInitFlags)) {
    report.Fail(
        "MAPI does not initialise: no Extended MAPI mail client answers (is one installed, "
        "of the program's bitness?)");
    return;
  }
  if (session.Login(nullptr)) {
    const char* profile = session.GetProfileName();
    report.Ok(std::string("MAPI logs on to the default profile") +
              (profile != nullptr && *profile != '\0' ? std::string(" \"") + profile + "\"" : ""));
    session.Logout();
  } else {
    report.Fail(
        "MAPI logs on to no default profile: make one in the mail client (or Control "
        "Panel, Mail) and make it the default");
  }
  CMAPIEx::Term(f);
}

}  // namespace j6::check
