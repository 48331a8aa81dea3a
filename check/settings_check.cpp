#include "check/settings_check.h"

#include <algorithm>

#include <cstdint>
#include <string>

#include "acquire/area_file.h"
#include "acquire/document_fetch.h"
#include "acquire/host_settings.h"
#include "acquire/registry_settings.h"
#include "mail/file_name.h"
#include "platform/file_probe.h"
#include "run/area_record.h"

namespace j6::check {

namespace {

bool IsFolder(const std::string& windowsPath) {
  return platform::KindOfPath(platform::HostPathOf(windowsPath)) == platform::PathKind::kFolder;
}

/// Without network mode no document is fetched: a waiting request that
/// names one would go without it. The record is read, never taken.
void WarnOfUnfetchedDocument(const std::string& file, Report& report) {
  std::string bytes;
  if (!platform::ReadFileStart(platform::HostPathOf(file), AreaRecord::kSize, &bytes) ||
      bytes.size() < AreaRecord::kSize) {
    return;
  }
  AreaRecord record;
  std::copy(bytes.begin(), bytes.begin() + AreaRecord::kSize, record.bytes.begin());
  std::string document(record.Field(AreaRecord::kDocumentRef));
  document.resize(std::min(document.find('\0'), document.size()));
  while (!document.empty() && document.back() == ' ') document.pop_back();
  if (document.find_first_not_of(' ') == std::string::npos) return;
  report.Warn("network mode is off (WinNet): the waiting request names the document " + document +
              ", which will not be attached");
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
        if (!run.networkMode) WarnOfUnfetchedDocument(file, report);
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
  } else {
    report.Fail("spool folder " + spool + " cannot be reached: J6Mailer can fetch no document");
  }
  if (!area.empty()) CheckWaitingRequest(run, area, report);
}

}  // namespace j6::check
