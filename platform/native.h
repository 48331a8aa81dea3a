// Inside platform/ only: the platform's own calls behind the table of
// outside.h, each defined by its service's _win32 or _posix half.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/dynamic_library.h"

namespace j6::platform::native {

std::FILE* OpenFile(const std::string& path, const char* mode);
bool AppendToFile(const std::string& path, std::string_view bytes);
bool DeleteFileAt(const std::string& path);
bool RemoveFileIfPresent(const std::string& path);
bool FileHasData(const std::string& path);
bool FindLibrary(const char* name, std::string* path, std::string* error);
void* OpenLibrary(const char* name, std::string* error);
EntryPoint FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
void ShowMessageBox(const char* caption, const char* text, unsigned flags);
bool AskYesNo(const char* caption, const char* text, unsigned flags);
LocalTime NowLocal();
bool ModuleFileName(std::string* path);

}  // namespace j6::platform::native
