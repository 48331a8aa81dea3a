// The JSON Graph takes and answers with, for the Graph sender and the check
// program: the attachments' bodies, and what its answers hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace j6 {

/// A fileAttachment of `contentBytes` (base64) under `name` (UTF-8).
std::string FileAttachmentJson(const std::string& name, const char* type,
                               const std::string& contentBytes);

/// The size FileAttachmentJson makes for `contentSize` bytes of file: what
/// a request of it weighs, before the base64 is made.
unsigned long long FileAttachmentJsonSize(const std::string& name, const char* type,
                                          unsigned long long contentSize);

/// The AttachmentItem of an upload session: a file of `size` bytes.
std::string UploadSessionJson(const std::string& name, const char* type, unsigned long long size);

/// The text member `key` of a JSON object ("id", "uploadUrl"); false when
/// the body is no such object.
bool ReadJsonText(std::string_view body, const char* key, std::string* value);

/// The first of an upload session's "nextExpectedRanges" (Microsoft's pages
/// also write "NextExpectedRanges"): "<start>-<end>", "<start>-" or
/// "<start>", its start; false when there is none.
bool ReadNextStart(std::string_view body, unsigned long long* start);

/// The "id" of each object of a collection's "value" (a search's answer).
std::vector<std::string> ReadCollectionIds(std::string_view body);

/// The "code" of Graph's error object; empty when there is none.
std::string GraphErrorCode(std::string_view body);

/// "<code>: <message>" of Graph's error object, each as sent; empty when the
/// body holds none.
std::string GraphErrorText(std::string_view body);

/// The permissions an access token names, when it is a JWT whose payload
/// can be read: its "roles" (an app's) and the words of its "scp" (a
/// user's). False when it cannot be read (an opaque token).
bool ReadTokenPermissions(const std::string& token, std::vector<std::string>* permissions);

}  // namespace j6
