// Windows half of platform/dynamic_library.h. The host chooses the current
// folder, which may be a shared drive: a library is never loaded from it.
// The executable's folder, the system folders and the absolute folders of
// PATH are searched, in that order, and the library found is loaded by its
// full path; so are the libraries it imports, from beside it, the
// executable's folder, the system folder and PATH. (SetDllDirectory("") would
// take the current folder out of the system's own search on Windows, but
// Wine does not honour it.)
#include <windows.h>

#include <set>
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

/// The absolute entries of PATH. A relative one (".", "bin") would name the
/// current folder again.
std::vector<std::wstring> AbsolutePathEntries() {
  std::vector<std::wstring> entries;
  const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size == 0) return entries;
  std::vector<wchar_t> path(size);
  const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), size);
  std::wstring rest(path.data(), length < size ? length : 0);
  while (!rest.empty()) {
    const std::size_t cut = rest.find(L';');
    std::wstring entry = rest.substr(0, cut);
    if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') {
      entry = entry.substr(1, entry.size() - 2);
    }
    if (IsAbsolute(entry)) entries.push_back(entry);
    rest = cut == std::wstring::npos ? std::wstring() : rest.substr(cut + 1);
  }
  return entries;
}

/// The folders searched, joined with semicolons as SearchPath takes them.
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
  for (const std::wstring& entry : AbsolutePathEntries()) add(entry);
  return folders;
}

using AddDllDirectoryCall = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);

/// AddDllDirectory, which a Windows 7 without its loader update (KB2533623)
/// lacks; null there.
AddDllDirectoryCall AddDllDirectoryIfAny() {
  static const auto call = reinterpret_cast<AddDllDirectoryCall>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory")));
  return call;
}

/// Puts each absolute PATH entry into the process's own search of imported
/// libraries. That search is the whole process's and only grows, so a folder
/// is added once, however many libraries are loaded.
void AddPathFolders(AddDllDirectoryCall addDllDirectory) {
  struct IgnoringCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
      return _wcsicmp(a.c_str(), b.c_str()) < 0;
    }
  };
  static std::set<std::wstring, IgnoringCase> added;
  for (const std::wstring& entry : AbsolutePathEntries()) {
    if (added.count(entry) == 0 && addDllDirectory(entry.c_str()) != nullptr) added.insert(entry);
  }
}

/// Loads the library at its full path. The libraries it imports are looked
/// for beside it, then in the executable's folder, the system folder and the
/// folders of PATH; never in the current folder, which
/// LOAD_WITH_ALTERED_SEARCH_PATH would search. Only without AddDllDirectory
/// is that the way left.
HMODULE LoadByFullPath(const std::wstring& path) {
  const AddDllDirectoryCall addDllDirectory = AddDllDirectoryIfAny();
  if (addDllDirectory == nullptr) {
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  AddPathFolders(addDllDirectory);
  return LoadLibraryExW(path.c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
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
  const HMODULE module = LoadByFullPath(WideFromUtf8(path));
  if (module == nullptr) *error = "LoadLibrary error " + std::to_string(GetLastError());
  return module;
}

EntryPoint native::FindSymbol(void* library, const char* name) {
  return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void native::CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace j6::platform
