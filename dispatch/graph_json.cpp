#include "dispatch/graph_json.h"

#include <nlohmann/json.hpp>

#include "mail/base64.h"

namespace j6 {

namespace {

using Json = nlohmann::json;

/// Bytes 0x80 to 0x9F of Windows-1252; the others are Latin-1.
constexpr char16_t kHighRow[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

Json Parsed(std::string_view body) { return Json::parse(body, nullptr, false); }

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
  std::string utf8;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const char16_t unit = byte >= 0x80 && byte < 0xA0 ? kHighRow[byte - 0x80] : byte;
    if (unit < 0x80) {
      utf8 += static_cast<char>(unit);
    } else if (unit < 0x800) {
      utf8 += static_cast<char>(0xC0 | (unit >> 6));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (unit >> 12));
      utf8 += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return utf8;
}

std::string FileAttachmentJson(const std::string& name, const char* type,
                               const std::string& contentBytes) {
  return Json{{"@odata.type", "#microsoft.graph.fileAttachment"},
              {"name", name},
              {"contentType", type},
              {"contentBytes", contentBytes}}
      .dump();
}

std::string UploadSessionJson(const std::string& name, const char* type, unsigned long long size) {
  return Json{{"AttachmentItem",
               {{"attachmentType", "file"}, {"name", name}, {"size", size}, {"contentType", type}}}}
      .dump();
}

bool ReadJsonText(std::string_view body, const char* key, std::string* value) {
  const Json json = Parsed(body);
  if (!json.is_object() || !json.contains(key) || !json[key].is_string()) return false;
  *value = json[key].get<std::string>();
  return !value->empty();
}

bool ReadNextStart(std::string_view body, unsigned long long* start) {
  const Json json = Parsed(body);
  if (!json.is_object() || !json.contains("nextExpectedRanges")) return false;
  const Json& ranges = json["nextExpectedRanges"];
  if (!ranges.is_array() || ranges.empty() || !ranges[0].is_string()) return false;
  const std::string range = ranges[0].get<std::string>();
  unsigned long long value = 0;
  std::size_t i = 0;
  for (; i < range.size() && range[i] >= '0' && range[i] <= '9' && i < 19; ++i) {
    value = value * 10 + static_cast<unsigned>(range[i] - '0');
  }
  if (i == 0 || (i < range.size() && range[i] != '-')) return false;
  *start = value;
  return true;
}

std::string GraphErrorText(std::string_view body) {
  const Json json = Parsed(body);
  if (!json.is_object() || !json.contains("error") || !json["error"].is_object()) return {};
  const Json& error = json["error"];
  const auto text = [&error](const char* key) {
    return error.contains(key) && error[key].is_string() ? error[key].get<std::string>()
                                                         : std::string();
  };
  return text("code") + ": " + text("message");
}

bool ReadTokenPermissions(const std::string& token, std::vector<std::string>* permissions) {
  const std::size_t first = token.find('.');
  const std::size_t second = first == std::string::npos ? first : token.find('.', first + 1);
  if (second == std::string::npos) return false;
  std::string payload = token.substr(first + 1, second - first - 1);
  for (char& c : payload) {
    if (c == '-') c = '+';
    if (c == '_') c = '/';
  }
  std::string text;
  if (!mail::DecodeBase64(payload, &text)) return false;
  const Json claims = Parsed(text);
  if (!claims.is_object()) return false;
  if (claims.contains("roles") && claims["roles"].is_array()) {
    for (const Json& role : claims["roles"]) {
      if (role.is_string()) permissions->push_back(role.get<std::string>());
    }
  }
  if (claims.contains("scp") && claims["scp"].is_string()) {
    const std::string scopes = claims["scp"].get<std::string>();
    std::size_t at = 0;
    while (at < scopes.size()) {
      const std::size_t end = std::min(scopes.find(' ', at), scopes.size());
      if (end > at) permissions->push_back(scopes.substr(at, end - at));
      at = end + 1;
    }
  }
  return true;
}

}  // namespace j6
