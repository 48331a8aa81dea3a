// The request record from the host, through the document fetch, composition,
// the recipient split and the hand-over to the mail client. The first 512
// bytes of the input are the record (blank-padded when shorter); the bytes
// after it choose the settings of the run:
//   512  bit 0 network mode, bit 1 Extended wrapper, bits 2-3 the registry
//        root, bit 4 an area whose document never arrives, bits 5-6 what
//        MAPISendMail answers, bit 7 a network folder without its backslash
//   513  bits 0-3 the wrapper call that fails, bits 4-5 what its compose form
//        answers, bits 6-7 the port
//   514… the sender's name, a zero byte, the sender's e-mail
// The transfer library, MAPI32 and the wrapper are the in-process doubles of
// the tests, loaded through the outside table; what they were handed is read
// back from their records.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "acquire/document_fetch.h"
#include "dispatch/compose.h"
#include "dispatch/extended_sender.h"
#include "dispatch/simple_sender.h"
#include "fuzz/fuzz_support.h"
#include "mail/address.h"
#include "platform/process_ids.h"
#include "platform/simple_mapi_abi.h"
#include "run/area_record.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "tests/doubles/in_process/libraries.h"
#include "tests/doubles/in_process/recording.h"

namespace j6::fuzz {

namespace {

using doubles::ExtendedAttachment;
using doubles::ExtendedRecord;
using doubles::HandedText;
using doubles::SimpleCall;
using doubles::SimpleFile;
using doubles::SimpleRecipient;
using doubles::SimpleRecord;
using doubles::TransferCall;
using doubles::TransferRecord;

// The registry roots a run may have: typical settings, the longest values the
// program reads, none at all, and odd ones.
constexpr const char* kRoots[] = {"ORV\\J6A01", "ORV\\J6B02", "ORV\\J6C03", "ORV\\J6D04"};
constexpr const char* kAreaWithDocument = "A01";
constexpr const char* kAreaWithoutDocument = "A02";
constexpr const char* kWrapperCalls[] = {
    "",           "Init",          "Login", "OpenMessageStore", "GetProfileName",
    "OpenOutbox", "MessageCreate", "Send",  "AddRecipient",     "AddAttachment"};
constexpr std::uint32_t kSimpleResults[] = {mapi::kMapiSuccess, mapi::kMapiUserAbort,
                                            mapi::kMapiFailure, mapi::kMapiUserCancel};
constexpr std::int32_t kPorts[] = {8000, 1, -5, 2147483647};
constexpr std::size_t kMaxBody = 511;

std::string RegistryText(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string RegistryKey(const char* root, const char* part, const char* subKey) {
  return std::string("[HKEY_CURRENT_USER\\") + root + "\\" + part + "\\" + subKey + "]\r\n";
}

std::string RegistryFile() {
  // The registry keeps at most 129 bytes of a value for the program, the
  // terminating zero included.
  // A path setting longer than its field is refused; this one just fits.
  const std::string longFolder = "\\\\server\\" + std::string(82, 'S') + "\\spool   ";
  const std::string longDirSys = "C:\\" + std::string(123, 'G') + "\\";
  Require(longFolder.size() == 100, "the long spool folder does not fill its field");
  std::string file = "REGEDIT4\r\n\r\n";
  file += RegistryKey(kRoots[0], "J6Out", "Setup");
  file += "\"ServerName\"=" + RegistryText("srv01") + "\r\n";
  file += "\"SpoolDir\"=" + RegistryText("\\\\srv\\spool\\") + "\r\n";
  file += RegistryKey(kRoots[0], "J6Cli", "Setup");
  file += "\"GL_DirSys\"=" + RegistryText("C:\\J6\\SYS") + "\r\n";
  file += RegistryKey(kRoots[1], "J6Out", "Setup");
  file += "\"ServerName\"=" + RegistryText(std::string(128, 'N')) + "\r\n";
  file += "\"SpoolDir\"=" + RegistryText(longFolder) + "\r\n";
  file += RegistryKey(kRoots[1], "J6Cli", "Setup");
  file += "\"GL_DirSys\"=" + RegistryText(longDirSys) + "\r\n";
  file += RegistryKey(kRoots[3], "J6Out", "Setup");
  file += "\"ServerName\"=" + RegistryText("") + "\r\n";
  file += "\"SpoolDir\"=" + RegistryText("..\\  ") + "\r\n";
  file += RegistryKey(kRoots[3], "J6Cli", "Setup");
  file += "\"GL_DirSys\"=" + RegistryText("?ignored") + "\r\n";
  return file;
}

/// What stays the same from run to run.
struct World {
  std::string logPath;
  std::string deliverFile;  // where the transfer library puts the document
  std::string staleFile;    // an earlier request's document at the other area's path
  std::string stampIds;     // "[pid:tid]" as the log prints them
  TransferRecord* transfer = nullptr;
  SimpleRecord* simple = nullptr;
  ExtendedRecord* extended = nullptr;
};

World MakeWorld() {
  World world;
  const std::string& scratch = ScratchFolder();
  world.logPath = scratch + "/run.log";
  const std::string registry = scratch + "/user.reg";
  WriteFile(registry, RegistryFile());
  SetEnvironment("J6MAILER_REGISTRY", registry);
  // Drive N: holds the network folder, where the transfer library delivers
  // one area's document; the other area's never arrives.
  SetEnvironment("J6MAILER_DRIVES", scratch + "/drives");
  const std::string spool = scratch + "/drives/n/J6/SPOOL";
  std::error_code error;
  std::filesystem::create_directories(spool, error);
  Require(!error, "cannot make the spool folder");
  world.deliverFile = spool + "/DOC" + kAreaWithDocument;
  world.staleFile = spool + "/DOC" + kAreaWithoutDocument;

  // The program's libraries, for the life of the process.
  static const doubles::InProcessLibraries libraries({{"J6TFN", doubles::TransferExports(true)},
                                                      {"MAPI32", doubles::Mapi32Exports()},
                                                      {"MAPIEx", doubles::MapiExExports()}});
  world.transfer = &doubles::Transfer();
  world.simple = &doubles::Simple();
  world.extended = &doubles::Extended();
  world.stampIds = "[" + std::to_string(static_cast<std::int32_t>(platform::CurrentProcessId())) +
                   ":" + std::to_string(static_cast<std::int32_t>(platform::CurrentThreadId())) +
                   "] - ";
  return world;
}

const World& TheWorld() {
  static const World world = MakeWorld();
  return world;
}

/// The settings the bytes after the record choose.
struct Settings {
  bool networkMode = false;
  bool extended = false;
  std::size_t root = 0;
  bool documentArrives = true;
  std::uint32_t simpleResult = 0;
  bool folderWithBackslash = true;
  std::string failingCall;
  int formResult = 0;
  std::int32_t port = 8000;
  std::string senderName;
  std::string senderEmail;
};

Settings DecodeSettings(const std::uint8_t* extra, std::size_t size) {
  Settings s;
  const unsigned first = size > 0 ? extra[0] : 0;
  const unsigned second = size > 1 ? extra[1] : 0;
  s.networkMode = (first & 1U) != 0;
  s.extended = (first & 2U) != 0;
  s.root = (first >> 2) & 3U;
  s.documentArrives = (first & 0x10U) == 0;
  s.simpleResult = kSimpleResults[(first >> 5) & 3U];
  s.folderWithBackslash = (first & 0x80U) == 0;
  const unsigned failing = second & 0xFU;
  s.failingCall = failing < std::size(kWrapperCalls) ? kWrapperCalls[failing] : "";
  s.formResult = static_cast<int>((second >> 4) & 3U);
  s.port = kPorts[(second >> 6) & 3U];
  if (size > 2) {
    const std::string_view sender(reinterpret_cast<const char*>(extra + 2), size - 2);
    const std::size_t zero = sender.find('\0');
    s.senderName = std::string(sender.substr(0, zero));
    if (zero != std::string_view::npos) s.senderEmail = std::string(sender.substr(zero + 1));
  }
  return s;
}

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string_view TrimmedRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

/// The recipients a request names, worked out from the record alone: the
/// field up to a zero byte, less trailing blanks and a leading "!", cut at
/// every ";" with empty pieces left out, each piece less trailing blanks.
std::vector<std::string> ExpectedRecipients(const AreaRecord& record) {
  std::string_view list = TrimmedRight(UpToZero(record.Field(AreaRecord::kRecipients)));
  if (!list.empty() && list.front() == '!') list.remove_prefix(1);
  std::vector<std::string> pieces;
  while (!list.empty()) {
    const std::size_t cut = list.find(';');
    const std::string_view piece = list.substr(0, cut);
    if (!piece.empty()) pieces.emplace_back(TrimmedRight(piece));
    if (cut == std::string_view::npos) break;
    list.remove_prefix(cut + 1);
  }
  return pieces;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string FileNameAfterBackslash(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

template <std::size_t N>
void RequireFits(const FixedString<N>& field, const char* what) {
  // A field that lost its terminating zero would run into the next one, which
  // AddressSanitizer does not see inside one object.
  Require(std::memchr(field.c_str(), '\0', FixedString<N>::kCapacity + 1) != nullptr, what);
}

void RequireFieldsFit(const RunState& run) {
  RequireFits(run.configPath, "configPath longer than its capacity");
  RequireFits(run.logFilePath, "logFilePath longer than its capacity");
  RequireFits(run.mapiMode, "mapiMode longer than its capacity");
  RequireFits(run.outRoot, "outRoot longer than its capacity");
  RequireFits(run.clientRoot, "clientRoot longer than its capacity");
  RequireFits(run.senderName, "senderName longer than its capacity");
  RequireFits(run.senderEmail, "senderEmail longer than its capacity");
  RequireFits(run.networkDir, "networkDir longer than its capacity");
  RequireFits(run.areaFilePath, "areaFilePath longer than its capacity");
  RequireFits(run.remoteDocumentPath, "remoteDocumentPath longer than its capacity");
  RequireFits(run.documentPath, "documentPath longer than its capacity");
  RequireFits(run.extraAttachmentPath, "extraAttachmentPath longer than its capacity");
  RequireFits(run.extraAttachmentName, "extraAttachmentName longer than its capacity");
  RequireFits(run.recipients, "recipients longer than its capacity");
  RequireFits(run.subject, "subject longer than its capacity");
  RequireFits(run.bodyLine1, "bodyLine1 longer than its capacity");
  RequireFits(run.bodyLine2, "bodyLine2 longer than its capacity");
  RequireFits(run.bodyLine3, "bodyLine3 longer than its capacity");
  RequireFits(run.body, "body longer than its capacity");
}

bool IsDevice(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

/// Whether a name stays a file of the folder it is put in: no separator, no
/// drive, no device.
bool StaysInFolder(std::string_view name) {
  return name.find_first_of("\\/:") == std::string_view::npos && !IsDevice(name);
}

/// Whether Windows can give a file this name (empty stands for none): no
/// character it forbids, no trailing dot or blank, no device name.
bool IsOneFileName(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>\"|?*", c) != nullptr) return false;
  }
  return StaysInFolder(name) && (name.empty() || (name.back() != '.' && name.back() != ' '));
}

bool IsDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// Whether `text` starts with this process's log stamp:
/// "DD/MM/YYYY hh:mm:ss.mmm - [pid:tid] - ".
bool StartsWithStamp(std::string_view text, const std::string& ids) {
  constexpr std::string_view kShape = "00/00/0000 00:00:00.000 - ";
  if (text.size() < kShape.size() + ids.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == '0' ? !IsDigits(text.substr(i, 1)) : text[i] != kShape[i]) return false;
  }
  return text.substr(kShape.size(), ids.size()) == ids;
}

/// Every line of the run's log, as the program formatted it, is at most 254
/// characters. In the file each line ends in CR LF and every line feed inside
/// it became CR LF too, so a line is cut where CR LF is followed by the next
/// stamp, and a CR before each line feed is dropped to get the line back.
void RequireLogLinesFit(const std::string& log, const std::string& ids) {
  if (log.empty()) return;
  Require(StartsWithStamp(log, ids), "the log does not start with a stamped line");
  Require(log.size() >= 2 && log.compare(log.size() - 2, 2, "\r\n") == 0,
          "the log's last line has no CR LF");
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = start;
    for (;;) {
      end = log.find("\r\n", end);
      Require(end != std::string::npos, "a log line without its CR LF");
      end += 2;
      if (end == log.size() || StartsWithStamp(std::string_view(log).substr(end), ids)) break;
    }
    std::string line;
    for (std::size_t i = start; i < end; ++i) {
      if (log[i] == '\r' && i + 1 < end && log[i + 1] == '\n') continue;
      line += log[i];
    }
    line.pop_back();  // the line's own end
    Require(line.size() <= kMaxLogLineLength, "a log line longer than 254 characters");
    start = end;
  }
}

bool CameFromList(const HandedText& name, const std::vector<std::string>& expected,
                  std::size_t index) {
  return name.present && index < expected.size() && name.text == expected[index];
}

/// The name and address MAPI32 is handed for a piece of the list: a plain
/// address piece as it stands (its address "SMTP:" and the piece); a piece
/// that names someone ("Name <address>", "SMTP:address") as it is read.
struct HandedRecipient {
  std::string name;
  std::string address;  // empty: none handed
};

HandedRecipient ExpectedRecipient(const std::string& piece) {
  const mail::Recipient read = mail::ReadRecipient(piece);
  const std::size_t first = piece.find_first_not_of(" \t");
  const bool plain = read.name.empty() && first != std::string::npos &&
                     piece.substr(first, piece.find_last_not_of(" \t") + 1 - first) == read.address;
  if (plain) return {piece, piece.find('@') != std::string::npos ? "SMTP:" + piece : ""};
  return {read.name.empty() ? read.address : read.name,
          read.address.find('@') != std::string::npos ? "SMTP:" + read.address : ""};
}

void CheckSimple(const SimpleRecord& record, const RunState& run, bool wait, HandOver sent,
                 const std::vector<std::string>& expected) {
  Require(record.calls.size() == 1, "MAPISendMail not called exactly once");
  const SimpleCall& call = record.calls.front();
  Require(call.flags == (wait ? mapi::kMapiLogonUi | mapi::kMapiDialog : mapi::kMapiLogonUi),
          "MAPISendMail flags do not match MailWait");
  Require(call.session == 0 && call.uiParam == 0 && call.reserved == 0,
          "MAPISendMail got a session, window or reserved value");
  Require(call.subject.present && call.subject.text == run.subject.view(),
          "MAPISendMail got another subject");
  Require(call.note.present && call.note.text.size() <= kMaxBody,
          "MAPISendMail got no body, or one longer than 511 characters");
  Require(call.note.text == run.body.view(), "MAPISendMail got another body");

  Require(call.hasOriginator == !run.senderName.empty(), "originator without a sender, or lost");
  if (call.hasOriginator) {
    Require(call.originator.recipClass == mapi::kMapiOrig, "originator of another class");
    Require(call.originator.name.present && call.originator.name.text == run.senderName.view(),
            "originator with another name");
    Require(call.originator.address.present &&
                call.originator.address.text == "SMTP:" + std::string(run.senderEmail.view()),
            "originator with another address");
  }

  Require(!call.recipientsWithoutArray, "recipient count without recipients");
  Require(call.recipients.size() == expected.size(),
          "MAPISendMail did not get every recipient of the list");
  for (std::size_t i = 0; i < call.recipients.size(); ++i) {
    const SimpleRecipient& recipient = call.recipients[i];
    const HandedRecipient want = ExpectedRecipient(expected[i]);
    Require(recipient.name.present && recipient.name.text == want.name,
            "MAPISendMail got a recipient that is not a piece of the list");
    Require(recipient.recipClass == mapi::kMapiTo, "recipient not of class To");
    Require(recipient.address.present == !want.address.empty(),
            "SMTP address given without an @, or lost");
    if (!want.address.empty()) {
      Require(recipient.address.text == want.address, "SMTP address that is not the recipient's");
    }
  }

  Require(!call.filesWithoutArray, "file count without files");
  const std::size_t files =
      (run.documentPath.empty() ? 0U : 1U) + (run.extraAttachmentPath.empty() ? 0U : 1U);
  Require(call.files.size() == files, "MAPISendMail got other attachments");
  for (const SimpleFile& file : call.files) {
    Require(file.path.present && !file.path.text.empty(), "an attachment without a path");
    Require(file.position == 0xFFFFFFFFU, "an attachment placed in the text");
  }
  if (!run.documentPath.empty()) {
    Require(call.files[0].path.text == run.documentPath.view(), "the document is not attached");
    Require(call.files[0].name.present && IsOneFileName(call.files[0].name.text),
            "the document is attached under a name Windows cannot give a file");
  }
  Require((sent == HandOver::kHandedOver) == (record.result == mapi::kMapiSuccess),
          "the Simple outcome does not follow MAPISendMail's answer");
}

void CheckSecondAttachment(const RunState& run) {
  // It is a file of the "GL_DirSys" folder, never one a request names by a
  // path of its own.
  if (run.extraAttachmentPath.empty()) return;
  Require(
      StaysInFolder(run.extraAttachmentName.view()) &&
          FileNameAfterBackslash(run.extraAttachmentPath.view()) == run.extraAttachmentName.view(),
      "the second attachment is not a file of the GL_DirSys folder");
}

bool Called(const ExtendedRecord& record, const char* name) {
  return std::find(record.calls.begin(), record.calls.end(), name) != record.calls.end();
}

void CheckExtended(const ExtendedRecord& record, const RunState& run, bool wait, HandOver sent,
                   const std::vector<std::string>& expected) {
  Require(!record.badHandle, "a wrapper call got a handle it never handed out");
  Require(record.sessionsAlive == 0, "a wrapper session was not deleted, or twice");
  Require(record.messagesAlive == 0, "a wrapper message was not deleted, or twice");

  const bool filled = Called(record, "SetSubject");
  if (!filled) {
    Require(record.recipients.empty() && record.bodies.empty() && record.attachments.empty(),
            "a message filled without its subject");
    Require(sent == HandOver::kFailed, "reported sent without a message");
    return;
  }
  Require(record.subjects.size() == 1 && record.subjects[0].present &&
              record.subjects[0].text == run.subject.view(),
          "the wrapper got another subject");
  Require(record.bodies.size() == 1 && record.bodies[0].present &&
              record.bodies[0].text.size() <= kMaxBody,
          "the wrapper got no body, or one longer than 511 characters");
  Require(record.bodies[0].text == run.body.view(), "the wrapper got another body");
  Require(record.recipients.size() == expected.size(),
          "the wrapper did not get every recipient of the list");
  for (std::size_t i = 0; i < record.recipients.size(); ++i) {
    Require(CameFromList(record.recipients[i].text, expected, i),
            "the wrapper got a recipient that is not a piece of the list");
    Require(record.recipients[i].type == 1, "a recipient not of type To");
  }
  Require(record.senderName.present == !run.senderName.empty(), "sender set without a name");
  for (const ExtendedAttachment& attachment : record.attachments) {
    Require(attachment.path.present && !attachment.path.text.empty(),
            "an attachment without a path");
    if (attachment.path.text == run.documentPath.view()) {
      Require(attachment.name.present && IsOneFileName(attachment.name.text),
              "the document is attached under a name Windows cannot give a file");
    }
  }
  Require(Called(record, "ShowForm") == wait && Called(record, "Send") == !wait,
          "shown in the form or sent against MailWait");
  const bool expectSent =
      wait ? record.formResult == 1 || record.formResult == 2 : record.failing != "Send";
  Require((sent != HandOver::kFailed) == expectSent,
          "the Extended outcome does not follow the wrapper");
}

}  // namespace

}  // namespace j6::fuzz

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  j6::fuzz::TheWorld();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace j6;
  using namespace j6::fuzz;
  const World& world = TheWorld();

  std::array<char, AreaRecord::kSize> bytes;
  bytes.fill(' ');
  std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
  const Settings settings = size > AreaRecord::kSize
                                ? DecodeSettings(data + AreaRecord::kSize, size - AreaRecord::kSize)
                                : Settings{};

  static RunState state;  // large: one for the process, fresh for each input
  RunState& run = state;
  run = RunState{};
  run.logFilePath.Assign(world.logPath);
  SetRunLogFile(run.logFilePath.view());
  WriteFile(world.logPath, "");
  run.record.bytes = bytes;
  run.outRoot.Assign(std::string(kRoots[settings.root]) + "\\J6Out\\");
  run.clientRoot.Assign(std::string(kRoots[settings.root]) + "\\J6Cli\\");
  run.senderName.Assign(settings.senderName);
  run.senderEmail.Assign(settings.senderEmail);
  run.port = settings.port;
  run.networkMode = settings.networkMode;
  run.networkDir.Assign(settings.folderWithBackslash ? "N:\\J6\\" : "N:\\J6");

  *world.transfer = TransferRecord{};
  world.transfer->deliverAt = std::string("N:\\J6\\SPOOL\\DOC") + kAreaWithDocument;
  world.transfer->deliverFile = world.deliverFile;
  *world.simple = SimpleRecord{};
  world.simple->result = settings.simpleResult;
  *world.extended = ExtendedRecord{};
  world.extended->failing = settings.failingCall;
  world.extended->formResult = settings.formResult;

  const char* area = settings.documentArrives ? kAreaWithDocument : kAreaWithoutDocument;
  // An earlier request's document, which must never go out as this one's.
  if (!settings.documentArrives) WriteFile(world.staleFile, "%PDF-1.4 stale");
  const Acquisition fetched = FetchDocument(run, area);
  if (settings.networkMode && !settings.documentArrives) {
    Require(ReadFile(world.staleFile).empty(), "an earlier request's document was left in place");
  }

  Require(world.transfer->calls.size() == 1, "j6tf not called exactly once");
  const TransferCall& transfer = world.transfer->calls.front();
  Require(transfer.server.present && transfer.server.text.size() <= 100,
          "j6tf got no server, or one longer than its setting");
  Require(transfer.remote.present && transfer.remote.text == run.remoteDocumentPath.view(),
          "j6tf got another server path");
  Require(transfer.local.present && transfer.local.text == run.documentPath.view(),
          "j6tf got another local path");
  Require(transfer.local.text.empty() == !settings.networkMode,
          "a local path without network mode, or none with it");
  Require(transfer.port == settings.port, "j6tf got another port");
  const bool forScreen =
      std::string_view(bytes.data() + AreaRecord::kOutputDevice.offset, 6) == "*VIDEO";
  const bool arrived = !settings.networkMode || settings.documentArrives;
  Require(fetched == (arrived && !forScreen ? Acquisition::kReady : Acquisition::kNotFetched),
          "FetchDocument decided otherwise");
  RequireFieldsFit(run);

  if (fetched == Acquisition::kReady) {
    const bool wait = ComposeMail(run);
    const std::string_view device = run.record.Field(AreaRecord::kOutputDevice);
    Require(wait == StartsWithIgnoringCase(device, "*MAILWT "), "MailWait decided otherwise");
    Require(run.body.size() <= kMaxBody && !run.body.empty(), "no body, or too long a body");
    const std::vector<std::string> expected = ExpectedRecipients(run.record);
    Require(run.record.bytes == bytes, "composition changed the record");
    CheckSecondAttachment(run);
    RequireFieldsFit(run);
    const HandOver sent = settings.extended ? SendExtended(run, wait) : SendSimple(run, wait);
    if (settings.extended) {
      Require(world.simple->calls.empty(), "the Extended path called MAPISendMail");
      CheckExtended(*world.extended, run, wait, sent, expected);
    } else {
      Require(world.extended->calls.empty(), "the Simple path called the wrapper");
      CheckSimple(*world.simple, run, wait, sent, expected);
    }
  }

  Require(run.record.bytes == bytes, "the record changed during the run");
  RequireFieldsFit(run);
  RequireLogLinesFit(ReadFile(world.logPath), world.stampIds);
  return 0;
}
