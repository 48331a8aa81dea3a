// The wrapper calls PrepareForm and ShowForm through its own view of the
// session's interface: every method of the view must sit in the slot that
// mapix.h gives it, or the wrapper would call some other method.
#include "mapiex/session_forms_win32.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace j6::mapiex {
namespace {

/// Where a pointer to a virtual member function says the function is: with
/// GCC's C++ ABI, one more than its byte offset in the virtual table.
template <typename Pointer>
std::ptrdiff_t SlotOf(Pointer pointer) {
  struct {
    std::ptrdiff_t function;
    std::ptrdiff_t adjustment;
  } raw;
  static_assert(sizeof(Pointer) == sizeof(raw), "a member function pointer as GCC makes it");
  std::memcpy(&raw, &pointer, sizeof raw);
  return raw.function;
}

#define J6_SLOTS(method) \
  { #method, SlotOf(&IMAPISession::method), SlotOf(&SessionForms::method) }

TEST(SessionForms, HasEveryMethodInTheSlotOfMapix) {
  const struct {
    const char* method;
    std::ptrdiff_t declared;
    std::ptrdiff_t viewed;
  } slots[] = {
      J6_SLOTS(GetLastError),    J6_SLOTS(GetMsgStoresTable),  J6_SLOTS(OpenMsgStore),
      J6_SLOTS(OpenAddressBook), J6_SLOTS(OpenProfileSection), J6_SLOTS(GetStatusTable),
      J6_SLOTS(OpenEntry),       J6_SLOTS(CompareEntryIDs),    J6_SLOTS(Advise),
      J6_SLOTS(Unadvise),        J6_SLOTS(MessageOptions),     J6_SLOTS(QueryDefaultMessageOpt),
      J6_SLOTS(EnumAdrTypes),    J6_SLOTS(QueryIdentity),      J6_SLOTS(Logoff),
      J6_SLOTS(SetDefaultStore), J6_SLOTS(AdminServices),      J6_SLOTS(ShowForm),
      J6_SLOTS(PrepareForm),
  };
  for (const auto& s : slots) {
    EXPECT_EQ(s.viewed % 2, 1) << s.method << " is not virtual";
    EXPECT_EQ(s.viewed, s.declared) << s.method;
  }
  // After IUnknown's three, PrepareForm is the session's nineteenth method.
  EXPECT_EQ(SlotOf(&SessionForms::PrepareForm),
            1 + 21 * static_cast<std::ptrdiff_t>(sizeof(void*)));
  // The reason for the view: MAPI's form token is as wide as a pointer.
  using Prepare = HRESULT (STDMETHODCALLTYPE SessionForms::*)(LPCIID, LPMESSAGE, ULONG_PTR*);
  using Show =
      HRESULT (STDMETHODCALLTYPE SessionForms::*)(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG_PTR,
                                                  LPMESSAGE, ULONG, ULONG, ULONG, ULONG, LPSTR);
  static_assert(std::is_same_v<decltype(&SessionForms::PrepareForm), Prepare>);
  static_assert(std::is_same_v<decltype(&SessionForms::ShowForm), Show>);
}

#undef J6_SLOTS

}  // namespace
}  // namespace j6::mapiex
