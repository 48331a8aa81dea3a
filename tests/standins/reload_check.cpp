// Loads, uses and frees the two mail stand-ins in turn, twice, in a process
// that does not link GMime itself: GMime registers its types with GObject,
// which never forgets them, so a GMime unloaded with one stand-in and loaded
// again with the next would fail (or crash) on its second start. Exits 0 when
// every delivery succeeded.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "mapiex/mapiex.h"
#include "platform/dynamic_library.h"
#include "platform/simple_mapi_abi.h"

namespace {

using j6::platform::DynamicLibrary;

template <typename Function>
Function Entry(const DynamicLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.Symbol(name));
}

bool SendSimple() {
  DynamicLibrary library;
  if (!library.Load("MAPI32.DLL")) return false;
  const auto send = Entry<j6::mapi::MapiSendMailFunction>(library, "MAPISendMail");
  char address[] = "anna@example.com";
  j6::mapi::MapiRecipDesc recipient{0, j6::mapi::kMapiTo, address, address, 0, nullptr};
  j6::mapi::MapiMessage message{0, nullptr, nullptr, nullptr,    nullptr, nullptr,
                                0, nullptr, 1,       &recipient, 0,       nullptr};
  return send != nullptr && send(0, 0, &message, 0, 0) == j6::mapi::kMapiSuccess;
}

bool SendExtended() {
  DynamicLibrary library;
  if (!library.Load("MAPIEx")) return false;
  const auto create = Entry<decltype(&MAPIEx_MessageNew)>(library, "MAPIEx_MessageNew");
  const auto add = Entry<decltype(&MAPIEx_AddRecipient)>(library, "MAPIEx_AddRecipient");
  const auto send = Entry<decltype(&MAPIEx_Send)>(library, "MAPIEx_Send");
  const auto destroy = Entry<decltype(&MAPIEx_MessageDelete)>(library, "MAPIEx_MessageDelete");
  if (create == nullptr || add == nullptr || send == nullptr || destroy == nullptr) return false;
  void* message = create();
  add(message, "anna@example.com", 1);
  const bool sent = send(message) == 1;
  destroy(message);
  return sent;
}

}  // namespace

int main() {
  char folder[] = "/tmp/j6reload-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  setenv("J6MAILER_OUTBOX", folder, 1);
  bool ok = true;
  for (int round = 1; round <= 2; ++round) {
    for (const auto& [name, send] : {std::pair{"MAPI32", &SendSimple}, {"MAPIEx", &SendExtended}}) {
      if (send()) continue;
      std::fprintf(stderr, "%s failed in round %d\n", name, round);
      ok = false;
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return ok ? 0 : 1;
}
