#include "dispatch/mapiex_classes.h"

#include <type_traits>

namespace j6 {

namespace {

// Each entry is of the type of the export it is looked up as, so a cast
// below can never call a function through another type.
#define J6_MAPIEX_SAME_TYPE(Result, Name, Parameters)                                      \
  static_assert(std::is_same_v<decltype(MapiExFunctions::Name), decltype(&MAPIEx_##Name)>, \
                "MapiExFunctions::" #Name " differs from MAPIEx_" #Name);
J6_MAPIEX_FUNCTIONS(J6_MAPIEX_SAME_TYPE)
#undef J6_MAPIEX_SAME_TYPE

template <typename Function>
bool Find(const platform::DynamicLibrary& library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(library.Symbol(name));
  return *function != nullptr;
}

}  // namespace

bool LoadMapiEx(platform::DynamicLibrary* library, MapiExFunctions* f) {
  if (!library->Load("MAPIEx")) return false;
#define J6_MAPIEX_FIND(Result, Name, Parameters) \
  if (!Find(*library, "MAPIEx_" #Name, &f->Name)) return false;
  J6_MAPIEX_FUNCTIONS(J6_MAPIEX_FIND)
#undef J6_MAPIEX_FIND
  return true;
}

}  // namespace j6
