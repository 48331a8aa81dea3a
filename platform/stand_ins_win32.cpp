// Windows half of platform/stand_ins.h: Windows keeps its own, so there is
// nothing to show.
#include "platform/stand_ins.h"

namespace j6::platform {

StandInPlaces TheStandInPlaces() { return StandInPlaces{}; }

bool FolderCanBeMade(const std::string& /*hostPath*/) { return false; }

}  // namespace j6::platform
