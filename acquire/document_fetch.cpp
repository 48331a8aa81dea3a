#include "acquire/document_fetch.h"

#include "acquire/area_file.h"
#include "acquire/host_settings.h"
#include "acquire/registry_settings.h"
#include "acquire/transfer_library.h"
#include "mail/file_name.h"
#include "platform/files.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6 {

namespace {

constexpr std::size_t kLastDocumentRefOffset = 99;
constexpr std::size_t kStepSearchStart = 100;

/// The highest offset, from 100 down, where the record holds "..\".
bool FindLastStepUp(const AreaRecord& record, std::size_t* offset) {
  for (std::size_t p = kStepSearchStart + 1; p-- > 0;) {
    if (record.bytes[p] == '.' && record.bytes[p + 1] == '.' && record.bytes[p + 2] == '\\') {
      *offset = p;
      return true;
    }
  }
  return false;
}

/// The second attachment's name from the record. It names a file in the
/// "GL_DirSys" folder, so one that would reach another folder or a share, or
/// a device, is refused: the mail goes without it.
void TakeExtraAttachmentName(RunState& run) {
  run.extraAttachmentName.Assign(run.record.Field(AreaRecord::kExtraAttachmentName));
  FixedString<15> name(run.extraAttachmentName.view());
  TrimTrailingSpaces(name);
  if (name.view().find_first_of("\\/:") == std::string_view::npos &&
      !mail::IsDeviceName(name.view())) {
    return;
  }
  LogLine("J6FTPara: attachment name refused %s", name.c_str());
  run.extraAttachmentName.Clear();
}

}  // namespace

std::string RemoteDocumentPath(std::string_view spoolDir, const AreaRecord& record) {
  FixedString<255> path(spoolDir);
  TrimTrailingSpaces(path);
  const std::string_view documentRef = record.Field(AreaRecord::kDocumentRef);
  std::size_t step = 0;
  if (FindLastStepUp(record, &step)) {
    // The spool folder stands in for the relative steps.
    if (step + 3 <= kLastDocumentRefOffset) {
      path.Append(
          std::string_view(record.bytes.data() + step + 3, kLastDocumentRefOffset - step - 2));
    }
  } else {
    path.Assign(documentRef);
  }
  TrimTrailingSpaces(path);
  return std::string(path.view());
}

bool LoadDocumentSettings(RunState& run) {
  run.extraAttachmentPath.Clear();
  if (!ReadPathSetting("Setup", "GL_DirSys", run.extraAttachmentPath, run.clientRoot.c_str(), "?",
                       1023)) {
    return false;
  }
  TakeExtraAttachmentName(run);
  ReadSetting("Setup", "ServerName", run.serverName, run.outRoot.c_str(), "Default", 100);
  run.remoteDocumentPath.Clear();
  return ReadPathSetting("Setup", "SpoolDir", run.remoteDocumentPath, run.outRoot.c_str(),
                         "Default", 100);
}

Acquisition FetchDocument(RunState& run, std::string_view areaName) {
  const AreaRecord& record = run.record;

  if (!LoadDocumentSettings(run)) return Acquisition::kNotFetched;
  if (run.networkMode) {
    run.documentPath.Assign(
        AreaPathIn(run.networkDir.view(), "SPOOL\\DOC" + std::string(areaName)));
  }
  run.remoteDocumentPath.Assign(RemoteDocumentPath(run.remoteDocumentPath.view(), record));

  // A document an earlier request left at the local path must not go out as
  // this one's when the transfer writes nothing.
  const std::string local(run.documentPath.view());
  if (!local.empty() && !platform::RemoveFileIfPresent(local)) {
    LogLine("J6FTPara: could not clear %s", local.c_str());
    return Acquisition::kNotFetched;
  }
  if (EseguiTF(run.port, run.serverName.c_str(), run.remoteDocumentPath.c_str(), local.c_str()) ==
      TransferCall::kNoLibrary) {
    LogLine("EseguiTF ha ritornato 1");
    return Acquisition::kNotFetched;
  }
  // Mailing a request whose document never arrived, or arrived empty, would
  // report as sent a mail without it.
  if (!local.empty() && !platform::FileHasData(local)) {
    LogLine("J6FTPara: document not received %s", local.c_str());
    return Acquisition::kNotFetched;
  }

  run.recipients.Assign(record.Field(AreaRecord::kRecipients));
  run.subject.Assign(record.Field(AreaRecord::kSubject));
  run.bodyLine1.Assign(record.Field(AreaRecord::kBodyLine1));
  run.bodyLine2.Assign(record.Field(AreaRecord::kBodyLine2));
  run.bodyLine3.Assign(record.Field(AreaRecord::kBodyLine3));

  if (record.Field(AreaRecord::kOutputDevice).substr(0, 6) == "*VIDEO") {
    LogLine("Output errato (*VIDEO)");
    return Acquisition::kNotFetched;
  }
  return Acquisition::kReady;
}

Acquisition AcquireRequest(RunState& run, std::string_view areaName) {
  SelectServerMode(run, areaName);
  if (!LoadNetworkSettings(run) || !ReadAreaFile(run, areaName)) {
    return Acquisition::kAreaFileNotRead;
  }
  return FetchDocument(run, areaName);
}

}  // namespace j6
