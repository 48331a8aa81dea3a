// Libraries played in-process: while an InProcessLibraries lives, the
// program loads these, through the outside table, and nothing else.
#pragma once

#include <map>
#include <string>

#include "platform/outside.h"
#include "tests/doubles/in_process/recording.h"

namespace j6::doubles {

class InProcessLibraries {
 public:
  /// The libraries by name ("J6TFN", "MAPI32", "MAPIEx"); the program finds
  /// one whatever the case of its name and with or without ".dll", as
  /// Windows does. A name not here fails to load.
  explicit InProcessLibraries(const std::map<std::string, Exports>& libraries);
  ~InProcessLibraries();
  InProcessLibraries(const InProcessLibraries&) = delete;
  InProcessLibraries& operator=(const InProcessLibraries&) = delete;

  /// How many loads have not been freed: the program frees each library it
  /// loads.
  int open() const { return open_; }

 private:
  static void* Load(const char* name, std::string* error);
  static platform::EntryPoint Find(void* library, const char* name);
  static void Close(void* library);

  std::map<std::string, Exports> libraries_;  // by upper-case name
  int open_ = 0;
  platform::Outside saved_;  // the library entries to put back
};

}  // namespace j6::doubles
