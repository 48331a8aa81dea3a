#include "tests/doubles/in_process/libraries.h"

#include "platform/ascii.h"

namespace j6::doubles {

namespace {

InProcessLibraries* current = nullptr;

std::string Key(std::string name) {
  if (platform::EndsWithIgnoringAsciiCase(name, ".dll")) name.resize(name.size() - 4);
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return name;
}

}  // namespace

InProcessLibraries::InProcessLibraries(const std::map<std::string, Exports>& libraries)
    : saved_(platform::TheOutside()) {
  for (const auto& [name, exports] : libraries) libraries_[Key(name)] = exports;
  current = this;
  platform::Outside& outside = platform::TheOutside();
  outside.loadLibrary = &Load;
  outside.findSymbol = &Find;
  outside.freeLibrary = &Close;
}

InProcessLibraries::~InProcessLibraries() {
  platform::Outside& outside = platform::TheOutside();
  outside.loadLibrary = saved_.loadLibrary;
  outside.findSymbol = saved_.findSymbol;
  outside.freeLibrary = saved_.freeLibrary;
  current = nullptr;
}

void* InProcessLibraries::Load(const char* name, std::string* error) {
  const auto found = current->libraries_.find(Key(name));
  if (found == current->libraries_.end()) {
    *error = std::string(name) + " is not among the test's libraries";
    return nullptr;
  }
  ++current->open_;
  return &found->second;
}

platform::EntryPoint InProcessLibraries::Find(void* library, const char* name) {
  const Exports& exports = *static_cast<const Exports*>(library);
  const auto found = exports.find(name);
  return found != exports.end() ? found->second : nullptr;
}

void InProcessLibraries::Close(void* /*library*/) { --current->open_; }

std::vector<std::string>& Boxes() {
  static std::vector<std::string> boxes;
  return boxes;
}

void ShowBox(const char* caption, const char* text, unsigned /*flags*/) {
  Boxes().push_back(std::string(caption) + ": " + text);
}

}  // namespace j6::doubles
