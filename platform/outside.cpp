// The table of outside.h, and the calls of the service headers routed
// through it.
#include "platform/outside.h"

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/module_path.h"
#include "platform/native.h"

namespace j6::platform {

const Outside& NativeOutside() {
  static const Outside table = {
      native::OpenFile,       native::AppendToFile,
      native::DeleteFileAt,   native::RemoveFileIfPresent,
      native::FileHasData,    native::FindLibrary,
      native::OpenLibrary,    native::FindSymbol,
      native::CloseLibrary,   native::ShowMessageBox,
      native::AskYesNo,       native::NowLocal,
      native::ModuleFileName,
  };
  return table;
}

Outside& TheOutside() {
  static Outside table = NativeOutside();
  return table;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return TheOutside().openFile(path, mode);
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  return TheOutside().appendToFile(path, bytes);
}

bool DeleteFileAt(const std::string& path) { return TheOutside().deleteFile(path); }

bool RemoveFileIfPresent(const std::string& path) { return TheOutside().removeFileIfPresent(path); }

bool FileHasData(const std::string& path) { return TheOutside().fileHasData(path); }

void ShowMessageBox(const char* caption, const char* text, unsigned flags) {
  TheOutside().showMessageBox(caption, text, flags);
}

bool AskYesNo(const char* caption, const char* text, unsigned flags) {
  return TheOutside().askYesNo(caption, text, flags);
}

LocalTime NowLocal() { return TheOutside().nowLocal(); }

bool ModuleFileName(std::string* path) { return TheOutside().moduleFileName(path); }

bool FindLibrary(const char* name, std::string* path, std::string* error) {
  return TheOutside().findLibrary(name, path, error);
}

bool DynamicLibrary::Load(const char* name) {
  Free();
  error_.clear();
  handle_ = TheOutside().loadLibrary(name, &error_);
  return handle_ != nullptr;
}

EntryPoint DynamicLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? TheOutside().findSymbol(handle_, name) : nullptr;
}

void DynamicLibrary::Free() {
  if (handle_ != nullptr) TheOutside().freeLibrary(handle_);
  handle_ = nullptr;
}

}  // namespace j6::platform
