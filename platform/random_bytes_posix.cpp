// POSIX half of platform/random_bytes.h: getrandom, which waits only until
// the kernel's pool was first seeded.
#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "platform/random_bytes.h"

namespace j6::platform {

bool RandomBytes(std::size_t count, std::string* bytes, std::string* error) {
  bytes->assign(count, '\0');
  for (std::size_t done = 0; done < count;) {
    const ssize_t got = getrandom(bytes->data() + done, count - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      *error = std::string("no random bytes: ") + std::strerror(errno);
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace j6::platform
