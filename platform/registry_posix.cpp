// POSIX half of platform/registry.h: the hives are a registry export file. A
// run opens a dozen keys, so the file is parsed once and the hive kept for as
// long as the file stays the same; a changed file or variable is seen by the
// next Open, and an open key keeps the hive it was opened in. Each hive is
// parsed when a key of it is first opened: a run opens none of the machine's.

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/posix_file.h"
#include "platform/posix_path.h"
#include "platform/reg_file.h"
#include "platform/registry.h"

namespace j6::platform {

namespace {

// What Windows answers to a call without an open key, to a key path that
// starts with a backslash, and to a buffer without a size to go with it.
constexpr long kRegistryInvalidHandle = 6;
constexpr long kRegistryBadPathname = 161;
constexpr long kRegistryInvalidParameter = 87;

struct OpenKey {
  std::shared_ptr<const RegistryHive> hive;  // holds `values`
  const RegistryValues* values;
};

/// What tells one version of a file from another without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  explicit FileStamp(const struct stat& info)
      : device(info.st_dev),
        inode(info.st_ino),
        size(info.st_size),
        modified(info.st_mtim),
        changed(info.st_ctim) {}
  bool operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

/// Whether a file changed at `changed` may change again without its stamp
/// changing: file systems keep times in ticks of a coarse clock, some in
/// whole seconds or two.
bool MayChangeUnseen(const timespec& changed) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return changed.tv_sec + 2 >= now.tv_sec;
}

/// The whole file, of `size` bytes when nothing changes it meanwhile; false
/// when it cannot be read.
bool ReadAll(int fd, std::size_t size, std::string* bytes) {
  bytes->resize(size + 1);  // one more, to see the end of a file that grew
  std::size_t done = 0;
  for (;;) {
    if (done == bytes->size()) bytes->resize(bytes->size() * 2);
    const ssize_t count = ReadSome(fd, bytes->data() + done, bytes->size() - done);
    if (count < 0) return false;
    if (count == 0) break;
    done += static_cast<std::size_t>(count);
  }
  bytes->resize(done);
  return true;
}

/// One hive as last read, and how to tell whether the file still holds it.
struct HiveCache {
  std::string path;
  std::optional<FileStamp> stamp;
  // The bytes, kept only while the file may change with its stamp unchanged:
  // then the file is read again and compared.
  std::optional<std::string> recentBytes;
  std::shared_ptr<const RegistryHive> hive;
};

/// The hive of the registry file as it is now. A missing or unreadable file
/// is an empty hive.
std::shared_ptr<const RegistryHive> CurrentHive(RegistryRoot root) {
  static const auto empty = std::make_shared<const RegistryHive>();
  static std::mutex lock;
  static HiveCache caches[2];

  const std::string path = PosixPath(RegistryFilePath());
  struct stat info {};
  const std::lock_guard<std::mutex> guard(lock);
  HiveCache& cache = caches[root == RegistryRoot::kLocalMachine ? 1 : 0];
  // A run opens a dozen keys: an unchanged file is known by its stamp alone.
  if (cache.hive != nullptr && cache.path == path && !cache.recentBytes &&
      stat(path.c_str(), &info) == 0 && cache.stamp == FileStamp(info)) {
    return cache.hive;
  }
  const int fd = OpenRegularFile(path, &info);
  if (fd < 0) return empty;
  const FileStamp stamp(info);
  const bool same = cache.hive != nullptr && cache.path == path && cache.stamp == stamp;
  std::string bytes;
  const bool read = ReadAll(fd, static_cast<std::size_t>(info.st_size), &bytes);
  close(fd);
  if (!read) return empty;
  const bool recent = MayChangeUnseen(stamp.changed);
  if (!same || !cache.recentBytes || *cache.recentBytes != bytes) {
    cache.hive = std::make_shared<const RegistryHive>(ParseRegistryFile(bytes, root));
    cache.path = path;
    cache.stamp = stamp;
  }
  cache.recentBytes = recent ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
  return cache.hive;
}

}  // namespace

RegistryKey::~RegistryKey() { Close(); }

long RegistryKey::Open(const char* keyPath) {
  Close();
  std::string path;
  if (!NormalizeKeyPath(keyPath != nullptr ? keyPath : "", &path)) return kRegistryBadPathname;
  std::shared_ptr<const RegistryHive> hive = CurrentHive(root_);
  const RegistryValues* values = hive->Find(path);
  if (values == nullptr) return kRegistryFileNotFound;
  handle_ = new OpenKey{std::move(hive), values};
  return kRegistrySuccess;
}

long RegistryKey::Query(const char* valueName, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* size) {
  const auto* key = static_cast<const OpenKey*>(handle_);
  if (key == nullptr) return kRegistryInvalidHandle;
  if (data != nullptr && size == nullptr) return kRegistryInvalidParameter;
  const RegistryValues& values = *key->values;
  const auto found = values.find(std::string_view(valueName != nullptr ? valueName : ""));
  if (found == values.end()) return kRegistryFileNotFound;
  const RegistryValue& value = found->second;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  long result = kRegistrySuccess;
  if (data != nullptr) {
    if (needed > *size) {
      result = kRegistryMoreData;
    } else {
      std::copy(value.data.begin(), value.data.end(), data);
    }
  }
  // Windows reports both also when the data do not fit.
  if (type != nullptr) *type = value.type;
  if (size != nullptr) *size = needed;
  return result;
}

long RegistryKey::Close() {
  delete static_cast<OpenKey*>(handle_);
  handle_ = nullptr;
  return kRegistrySuccess;
}

std::string ExpandRegistryText(std::string_view text) {
  std::string expanded;
  while (!text.empty()) {
    const std::size_t open = text.find('%');
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    const std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    expanded += text.substr(0, open);
    expanded += value != nullptr ? std::string_view(value) : text.substr(open, close - open + 1);
    text.remove_prefix(close + 1);
  }
  expanded += text;
  return expanded;
}

}  // namespace j6::platform
