#include "check/settings_check.h"

#include <algorithm>

#include <cstdint>
#include <string>

#include "acquire/area_file.h"
#include "acquire/document_fetch.h"
#include "acquire/host_settings.h"
#include "acquire/registry_settings.h"
#include "check/configuration_check.h"
#include "mail/file_name.h"
#include "platform/file_probe.h"
#include "run/area_record.h"

namespace j6::check {

namespace {

bool IsFolder(const std::string& windowsPath) {
  return platform::KindOfPath(platform::HostPathOf(windowsPath)) == platform::PathKind::kFolder;
}

/// A field of the record as the run takes it: up to a zero, without the
/// blanks that pad it.
std::string FieldText(const AreaRecord& record, AreaField field) {
  std::string text(record.Field(field));
  text.resize(std::min(text.find('\0'), text.size()));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text.find_first_not_of(' ') == std::string::npos ? std::string() : text;
}

/// What the waiting request asks for that the desktop must hold: its
/// document, which only network mode fetches, and its second attachment in
/// "GL_DirSys". The record is read, never taken.
void CheckWaitingAttachments(const RunState& run, const std::string& file, Report& report) {
  std::string bytes;
  if (!platform::ReadFileStart(platform::HostPathOf(file), AreaRecord::kSize, &bytes) ||
      bytes.size() < AreaRecord::kSize) {
    return;
  }
  AreaRecord record;
  std::copy(bytes.begin(), bytes.begin() + AreaRecord::kSize, record.bytes.begin());
  const std::string document = FieldText(record, AreaRecord::kDocumentRef);
  if (!run.networkMode && !document.empty()) {
    report.Warn("network mode is off (WinNet): the waiting request names the document " + document +
                ", which will not be attached");
  }
  const std::string name = FieldText(record, AreaRecord::kExtraAttachmentName);
  // A name the run refuses goes without a word of the check: the run says it.
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos || mail::IsDeviceName(name)) {
    return;
  }
  // As the run joins them; "?" is an absent GL_DirSys: the name alone.
  std::string path(run.extraAttachmentPath.view());
  while (!path.empty() && path.back() == ' ') path.pop_back();
  if (path.substr(0, 1) == "?") path.clear();
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  if (platform::KindOfPath(platform::HostPathOf(path)) == platform::PathKind::kFile) {
    report.Ok("the waiting request's second attachment is there: " + path);
  } else {
    report.Fail("the waiting request's second attachment " + path +
                " cannot be read (GL_DirSys): its run will end \"cannot open attachment\"");
  }
}

/// A request waiting in mqbox\ is only looked at: reading it is the run's,
/// and a run may delete it.
void CheckWaitingRequest(const RunState& run, std::string_view area, Report& report) {
  const std::string name(AreaFileName(area));
  if (area.find_first_of("\\/:") != std::string_view::npos || mail::IsDeviceName(name)) {
    report.Fail("J6Mailer refuses the area name " + std::string(area) +
                ": it holds \\, / or :, or names a device");
    return;
  }
  const std::string file = AreaPathIn(run.networkDir.view(), "mqbox\\" + name);
  std::uint64_t size = 0;
  switch (platform::KindOfPath(platform::HostPathOf(file), &size)) {
    case platform::PathKind::kNothing:
      report.Ok("no request for " + std::string(area) + " is waiting: " + file);
      break;
    case platform::PathKind::kFolder:
      report.Fail(file + " is a folder: J6Mailer can read no request for " + std::string(area));
      break;
    case platform::PathKind::kFile:
      if (size < AreaRecord::kSize) {
        report.Fail("the request waiting for " + std::string(area) + " is shorter than a record (" +
                    std::to_string(size) + " of " + std::to_string(AreaRecord::kSize) +
                    " bytes): " + file);
      } else {
        report.Ok("a request for " + std::string(area) + " is waiting: " + file);
        CheckWaitingAttachments(run, file, report);
      }
      break;
  }
}

}  // namespace

void CheckStandIns(const platform::StandInPlaces& places, Report& report) {
  if (places.registryFile.empty()) return;
  std::string start;
  if (platform::KindOfPath(places.registryFile) == platform::PathKind::kNothing) {
    report.Warn("no registry export " + places.registryFile +
                ": every setting takes its default; copy j6mailer-settings.reg there, or name "
                "another in J6MAILER_REGISTRY");
  } else if (!platform::ReadFileStart(places.registryFile, 1, &start)) {
    // The stand-in takes it for an empty registry, as it takes a missing one.
    report.Fail("registry export " + places.registryFile +
                " cannot be read: every setting takes its default; let the user read it, or "
                "name another in J6MAILER_REGISTRY");
  } else {
    report.Ok("registry export " + places.registryFile + " stands for the registry");
  }
  if (platform::KindOfPath(places.drivesFolder) == platform::PathKind::kFolder) {
    report.Ok("drives folder " + places.drivesFolder + " holds the drives (C:\\ is its c/)");
  } else {
    report.Warn("no drives folder " + places.drivesFolder +
                ": no path with a drive or a share leads anywhere; make it, or name another in "
                "J6MAILER_DRIVES");
  }
  switch (platform::KindOfPath(places.outboxFolder)) {
    case platform::PathKind::kFolder:
      report.Ok("outbox folder " + places.outboxFolder);
      return;
    case platform::PathKind::kNothing:
      if (platform::FolderCanBeMade(places.outboxFolder)) {
        report.Ok("outbox folder " + places.outboxFolder + " is made with the first mail");
        return;
      }
      break;
    case platform::PathKind::kFile:
      break;
  }
  report.Fail("outbox folder " + places.outboxFolder +
              " cannot be made: no mail can be written; name another in J6MAILER_OUTBOX");
}

bool CheckSettings(RunState& run, std::string_view area, Report& report) {
  const SettingReads reads;
  const std::string areaName(area);
  std::string mode;
  if (area.empty()) {
    SelectMonoServer(run);
    mode = "no area given: mono-server";
  } else if (SelectServerMode(run, area) == ServerMode::kMono) {
    mode = "area " + areaName + ": mono-server";
  } else {
    mode = "area " + areaName + ": multi-server";
  }
  std::string server(run.outRoot.view());
  server.resize(server.size() - std::string_view("\\J6Out\\").size());
  report.Ok(mode + ", settings under HKEY_CURRENT_USER\\" + server);

  const bool usable = LoadNetworkSettings(run);
  if (usable) LoadDocumentSettings(run);
  bool anyFound = false;
  for (const SettingRead& read : reads.all()) {
    const std::string name = "HKEY_CURRENT_USER\\" + read.keyPath + "\\" + read.valueName;
    anyFound = anyFound || read.found;
    if (read.tooLong) {
      report.Fail(name +
                  " is too long to be used: J6Mailer ends the request with the transfer "
                  "error");
    } else {
      report.Ok(name + " = " + (read.text.empty() ? "(empty)" : read.text) +
                (read.found ? "" : " (default)"));
    }
  }
  if (!anyFound) {
    report.Warn("no J6 setting is in the registry under HKEY_CURRENT_USER\\" + server +
                ": import j6mailer-settings.reg as the user who runs J6Mailer");
  }
  return usable;
}

void CheckFolders(const RunState& run, std::string_view area, Report& report) {
  const std::string network(run.networkDir.view());
  if (!IsFolder(network)) {
    report.Fail("network folder " + network +
                " cannot be reached (NetDir): J6Mailer can read no "
                "request");
    return;
  }
  report.Ok("network folder " + network);
  const std::string requests = AreaPathIn(network, "mqbox");
  if (!IsFolder(requests)) {
    report.Fail("request folder " + requests + " cannot be reached: J6Mailer can read no request");
    return;
  }
  report.Ok("request folder " + requests);
  const std::string spool = AreaPathIn(network, "SPOOL");
  if (!run.networkMode) {
    report.Ok("no spool folder needed: network mode is off (WinNet), no document is fetched");
  } else if (IsFolder(spool)) {
    report.Ok("spool folder " + spool);
    CheckFreeSpace(platform::HostPathOf(spool), "the spool folder " + spool,
                   "no document can be fetched", report);
  } else {
    report.Fail("spool folder " + spool + " cannot be reached: J6Mailer can fetch no document");
  }
  if (!area.empty()) CheckWaitingRequest(run, area, report);
}

}  // namespace j6::check
