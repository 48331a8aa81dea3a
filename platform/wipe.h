// Wiping a secret (a password, a token, a client secret) from memory that is
// handed back: a plain loop before a free is a store nobody reads, which the
// compiler may drop.
#pragma once

#include <cstddef>
#include <string>

namespace j6::platform {

/// Zeroes `size` bytes at `data`, in a way the compiler keeps.
void WipeBytes(void* data, std::size_t size);

/// Zeroes the whole of `text`, its length kept.
inline void Wipe(std::string* text) {
  if (!text->empty()) WipeBytes(&(*text)[0], text->size());
}

}  // namespace j6::platform
