// Windows half of platform/dynamic_library.h. The host chooses the current
// folder, which may be a shared drive: a library is never loaded from it.
// The executable's folder, the system folders and the absolute folders of
// PATH are searched, in that order, and the library found is loaded by its
// full path. (SetDllDirectory("") would take the current folder out of the
// system's own search on Windows, but Wine does not honour it.)
#include <windows.h>

#include <vector>

#include "platform/dynamic_library.h"
#include "platform/native.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

std::wstring Folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  std::vector<wchar_t> buffer(32768);
  const UINT length = get(buffer.data(), static_cast<UINT>(buffer.size()));
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                              : std::wstring();
}

UINT WINAPI ExecutableFolder(LPWSTR buffer, UINT size) {
  const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
  if (length == 0 || length >= size) return 0;
  std::wstring path(buffer, length);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? 0 : static_cast<UINT>(slash);
}

bool IsAbsolute(const std::wstring& folder) {
  return (folder.size() >= 3 && folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/')) ||
         (folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\');
}

/// The folders searched, joined with semicolons as SearchPath takes them. A
/// relative PATH entry (".", "bin") would name the current folder again.
std::wstring SearchFolders() {
  std::wstring folders;
  const auto add = [&folders](const std::wstring& folder) {
    if (folder.empty() || !IsAbsolute(folder)) return;
    if (!folders.empty()) folders += L';';
    folders += folder;
  };
  add(Folder(ExecutableFolder));
  add(Folder(GetSystemDirectoryW));
  add(Folder(GetWindowsDirectoryW));
  const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size > 0) {
    std::vector<wchar_t> path(size);
    const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), size);
    std::wstring rest(path.data(), length < size ? length : 0);
    while (!rest.empty()) {
      const std::size_t cut = rest.find(L';');
      std::wstring entry = rest.substr(0, cut);
      if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') {
        entry = entry.substr(1, entry.size() - 2);
      }
      add(entry);
      rest = cut == std::wstring::npos ? std::wstring() : rest.substr(cut + 1);
    }
  }
  return folders;
}

}  // namespace

bool native::FindLibrary(const char* name, std::string* path, std::string* error) {
  const std::wstring wideName = WideFrom(name, CP_ACP);
  std::vector<wchar_t> found(32768);
  const DWORD length = SearchPathW(SearchFolders().c_str(), wideName.c_str(), L".dll",
                                   static_cast<DWORD>(found.size()), found.data(), nullptr);
  if (length == 0 || length >= found.size()) {
    *error = std::string(name) + " is in neither the program's folder, the system folders nor PATH";
    return false;
  }
  *path = Utf8FromWide(std::wstring(found.data(), length));
  return true;
}

void* native::OpenLibrary(const char* name, std::string* error) {
  std::string path;
  if (!native::FindLibrary(name, &path, error)) return nullptr;
  // Its own dependencies are then looked for beside it first.
  HMODULE module =
      LoadLibraryExW(WideFromUtf8(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) *error = "LoadLibrary error " + std::to_string(GetLastError());
  return module;
}

EntryPoint native::FindSymbol(void* library, const char* name) {
  return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void native::CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace j6::platform
