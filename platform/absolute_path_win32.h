// Windows only, inside platform/: files.h's AbsolutePath for a path held
// wide, which may name letters the ANSI code page lacks (the log's path).
#pragma once

#include <string>

namespace j6::platform {

/// The path made absolute against the start folder as the wide call gives
/// it, by the rules of AbsolutePath.
std::wstring AbsoluteWidePath(const std::wstring& path);

}  // namespace j6::platform
