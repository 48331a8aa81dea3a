#include "tests/mapiex/fake_buffers_win32.h"

#include <mapicode.h>

#include <cstdlib>
#include <cstring>

namespace j6::mapiex::test {

std::map<void*, FakeBuffers::Block> FakeBuffers::blocks_;
int FakeBuffers::allocations_ = 0;
int FakeBuffers::failAt_ = -1;
int FakeBuffers::breaches_ = 0;

void FakeBuffers::Reset() {
  for (auto& entry : blocks_) std::free(entry.first);
  blocks_.clear();
  allocations_ = 0;
  failAt_ = -1;
  breaches_ = 0;
}

int FakeBuffers::allocations() { return allocations_; }
void FakeBuffers::FailAllocation(int number) { failAt_ = number; }
size_t FakeBuffers::live() { return blocks_.size(); }
int FakeBuffers::breaches() { return breaches_; }

bool FakeBuffers::IsTop(const void* buffer) {
  const auto found = blocks_.find(const_cast<void*>(buffer));
  return found != blocks_.end() && found->second.parent == nullptr;
}

const void* FakeBuffers::ParentOf(const void* buffer) {
  const auto found = blocks_.find(const_cast<void*>(buffer));
  return found != blocks_.end() ? found->second.parent : nullptr;
}

SCODE FakeBuffers::Make(ULONG size, void* parent, LPVOID* buffer) {
  *buffer = nullptr;
  if (allocations_++ == failAt_) return MAPI_E_NOT_ENOUGH_MEMORY;
  void* made = std::malloc(size != 0 ? size : 1);
  if (made == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  // Garbage, as real buffers hold, so that fields left unset show.
  std::memset(made, 0xCD, size);
  blocks_[made] = Block{parent, {}};
  if (parent != nullptr) blocks_[parent].children.push_back(made);
  *buffer = made;
  return S_OK;
}

SCODE WINAPI FakeBuffers::Allocate(ULONG size, LPVOID* buffer) {
  return Make(size, nullptr, buffer);
}

SCODE WINAPI FakeBuffers::AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) {
  if (!IsTop(parent)) {
    ++breaches_;
    *buffer = nullptr;
    return MAPI_E_INVALID_PARAMETER;
  }
  return Make(size, parent, buffer);
}

ULONG WINAPI FakeBuffers::Free(LPVOID buffer) {
  if (buffer == nullptr) return 0;
  if (!IsTop(buffer)) {
    ++breaches_;
    return 0;
  }
  for (void* child : blocks_[buffer].children) {
    std::free(child);
    blocks_.erase(child);
  }
  std::free(buffer);
  blocks_.erase(buffer);
  return 0;
}

}  // namespace j6::mapiex::test
