#include "acquire/registry_settings.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/registry.h"
#include "run/run_log.h"

namespace j6 {

namespace {
constexpr std::uint32_t kDataBufferSize = 129;
constexpr std::size_t kMaxSubKeyLength = 300;

SettingReads* noting = nullptr;
}  // namespace

SettingReads::SettingReads() : outer_(noting) { noting = this; }

SettingReads::~SettingReads() { noting = outer_; }

long ReadRegistryString(const char* keyPath, RegistryText& valueText) {
  const std::string valueName(valueText.view());
  platform::RegistryKey key;
  unsigned char data[kDataBufferSize] = {};
  std::uint32_t size = kDataBufferSize;
  std::uint32_t type = 0;
  if (key.Open(keyPath) == platform::kRegistrySuccess &&
      key.Query(valueName.c_str(), &type, data, &size) == platform::kRegistrySuccess) {
    std::size_t length = 0;
    while (length < size && data[length] != 0) ++length;
    valueText.Assign(std::string_view(reinterpret_cast<const char*>(data), length));
    if (key.Close() == platform::kRegistrySuccess) return static_cast<long>(type);
  }
  valueText.Clear();
  return NOT_FOUND_MARKER;
}

namespace detail {

void NoteSetting(SettingRead read) {
  if (noting != nullptr) noting->reads_.push_back(std::move(read));
}

void NoteTooLong() {
  if (noting != nullptr && !noting->reads_.empty()) noting->reads_.back().tooLong = true;
}

long LookUpSetting(const char* subKey, const char* valueName, const char* root,
                   const char* defaultText, RegistryText* keyPath, std::string* text) {
  keyPath->Assign(root);
  if (subKey != nullptr) keyPath->Append(std::string_view(subKey).substr(0, kMaxSubKeyLength));
  RegistryText work(valueName);
  const long found = ReadRegistryString(keyPath->c_str(), work);
  const std::string_view chosen = found == NOT_FOUND_MARKER ? defaultText : work.view();
  text->assign(chosen);
  return found;
}

void LogSetting(const char* keyPath, const char* valueName, long found, const char* destination) {
  NoteSetting({keyPath, valueName, found != NOT_FOUND_MARKER, destination});
  if (found == NOT_FOUND_MARKER) {
    LogLine("J6FTPara: HKEY_CURRENT_USER\\%s\\%s not found, use default: %s", keyPath, valueName,
            destination);
  } else {
    LogLine("J6FTPara: HKEY_CURRENT_USER\\%s\\%s: %s", keyPath, valueName, destination);
  }
}

void LogTooLong(const char* valueName) {
  NoteTooLong();
  LogLine("J6FTPara: %s is too long", valueName);
}

}  // namespace detail

}  // namespace j6
