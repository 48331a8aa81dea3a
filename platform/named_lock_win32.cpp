// Windows half of platform/named_lock.h: a named mutex in the session's
// namespace. A mutex whose owner ended without releasing it is handed to the
// next waiter as abandoned, which still means it is this run's now.
#include <windows.h>

#include "platform/named_lock.h"

namespace j6::platform {

NamedLock::~NamedLock() { Close(); }

bool NamedLock::Open(const std::string& name) {
  Close();
  const std::string full = "Local\\J6Mailer-" + name;
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, full.c_str());
  if (mutex == nullptr) {
    error_ = "CreateMutex " + full + " error " + std::to_string(GetLastError());
    return false;
  }
  mutex_ = mutex;
  return true;
}

NamedLock::Outcome NamedLock::Take(std::uint32_t milliseconds) {
  if (held_) return kTaken;
  switch (WaitForSingleObject(mutex_, milliseconds)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      held_ = true;
      return kTaken;
    case WAIT_TIMEOUT:
      return kBusy;
    default:
      error_ = "WaitForSingleObject error " + std::to_string(GetLastError());
      return kFailed;
  }
}

void NamedLock::Close() {
  if (mutex_ == nullptr) return;
  if (held_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
  mutex_ = nullptr;
  held_ = false;
}

}  // namespace j6::platform
