// The portable part of platform/secret_store.h: which names a secret may
// have, and the file that keeps it.
#include "platform/secret_store.h"

#include <utility>
#include "platform/ascii.h"

#include "platform/secret_file.h"

namespace j6::platform {

bool IsSecretName(std::string_view name) {
  if (name.empty() || name.size() > kMaxSecretName || name.back() == '.') return false;
  for (const char c : name) {
    const char lower = AsciiLower(c);
    const bool kept = (lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.' || c == '%';
    if (!kept) return false;
  }
  return true;
}

namespace {

/// The name as the store keeps it, in one case, as Windows' file names
/// compare (and so the encryption's entropy on Windows too).
std::string OneCase(const std::string& name) {
  std::string kept;
  for (const char c : name) kept += AsciiLower(c);
  return kept;
}

}  // namespace

bool SecretFile(const std::string& name, std::string* path, std::string* error) {
  if (!IsSecretName(name)) {
    *error = "not a secret's name: " + name;
    return false;
  }
  if (!secret::Folder(path, error)) return false;
  // The prefix keeps the name clear of the devices Windows reserves (CON,
  // NUL and the like).
  *path += "secret-" + OneCase(name);
  return true;
}

PendingSecret::~PendingSecret() {
  std::string ignored;
  if (!temporary_.empty()) secret::Remove(temporary_, &ignored);
}

bool PendingSecret::Begin(const std::string& name, std::string* error) {
  name_ = name;
  if (!SecretFile(name, &file_, error)) return false;
  folder_ = file_.substr(0, file_.find_last_of("/\\") + 1);
  return secret::MakeTemporary(file_, &temporary_, error);
}

bool PendingSecret::Commit(std::string_view secret, std::string* error) {
  if (temporary_.empty()) {
    *error = "nothing was begun";
    return false;
  }
  const std::string temporary = std::move(temporary_);
  temporary_.clear();
  return secret::Replace(temporary, file_, OneCase(name_), secret, error);
}

bool WriteSecret(const std::string& name, std::string_view secret, std::string* error) {
  PendingSecret pending;
  return pending.Begin(name, error) && pending.Commit(secret, error);
}

Lookup ReadSecret(const std::string& name, std::string* secret, std::string* error) {
  std::string file;
  if (!SecretFile(name, &file, error)) return Lookup::kFailed;
  return secret::Read(file, OneCase(name), secret, error);
}

bool DeleteSecret(const std::string& name, std::string* error) {
  std::string file;
  return SecretFile(name, &file, error) && secret::Remove(file, error);
}

}  // namespace j6::platform
