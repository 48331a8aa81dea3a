// Putting a registry export file's data where the program reads the registry.
#pragma once

#include <string>

namespace j6::test {

/// Makes the data of the .reg file at `regFilePath` the current user's
/// registry for this process and the programs it starts. On Windows regedit
/// imports the file, which merges it into what is there, so a test file
/// starts by deleting its own tree ([-HKEY_CURRENT_USER\J6Test]) and keeps its
/// keys under it. Off Windows the file becomes the whole registry, read
/// whenever a key is opened. False when the import failed.
bool ImportRegistryFile(const std::string& regFilePath);

}  // namespace j6::test
