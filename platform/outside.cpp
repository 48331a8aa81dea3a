// The table of outside.h, filled by name from its rows, and the calls of the
// service headers routed through it.
#include "platform/outside.h"

#include "platform/native.h"

namespace j6::platform {

const Outside& NativeOutside() {
  static const Outside table = [] {
    Outside own{};
#define J6_NATIVE_ENTRY(entry, Function, Result, Parameters, Arguments) \
  own.entry = &native::Function;
    J6_OUTSIDE_CALLS(J6_NATIVE_ENTRY)
#undef J6_NATIVE_ENTRY
    return own;
  }();
  return table;
}

Outside& TheOutside() {
  static Outside table = NativeOutside();
  return table;
}

#define J6_CALL_THROUGH(entry, Function, Result, Parameters, Arguments) \
  Result Function Parameters { return TheOutside().entry Arguments; }
J6_OUTSIDE_CALLS(J6_CALL_THROUGH)
#undef J6_CALL_THROUGH

bool DynamicLibrary::Load(const char* name) {
  Free();
  error_.clear();
  handle_ = OpenLibrary(name, &error_);
  return handle_ != nullptr;
}

EntryPoint DynamicLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? FindSymbol(handle_, name) : nullptr;
}

void DynamicLibrary::Free() {
  if (handle_ != nullptr) CloseLibrary(handle_);
  handle_ = nullptr;
}

}  // namespace j6::platform
