// Where the stand-ins keep, off Windows, what Windows keeps itself: for the
// check program, which shows them.
#pragma once

#include <string>

namespace j6::platform {

/// Host paths; every one empty on Windows, where there are no stand-ins.
struct StandInPlaces {
  std::string registryFile;  // the registry export that plays the registry
  std::string drivesFolder;  // the folder of the drive letters and shares
  std::string outboxFolder;  // where the mail stand-ins write each message
};

StandInPlaces TheStandInPlaces();

/// Off Windows, whether a folder could be made at the host path: the nearest
/// folder above it that exists lets this user write in it. Nothing is made.
/// False on Windows.
bool FolderCanBeMade(const std::string& hostPath);

}  // namespace j6::platform
