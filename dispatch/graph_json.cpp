#include "dispatch/graph_json.h"

#include <nlohmann/json.hpp>

#include "mail/base64.h"

namespace j6 {

namespace {

using Json = nlohmann::json;

Json Parsed(std::string_view body) { return Json::parse(body, nullptr, false); }

}  // namespace

std::string FileAttachmentJson(const std::string& name, const char* type,
                               const std::string& contentBytes) {
  return Json{{"@odata.type", "#microsoft.graph.fileAttachment"},
              {"name", name},
              {"contentType", type},
              {"contentBytes", contentBytes}}
      .dump();
}

unsigned long long FileAttachmentJsonSize(const std::string& name, const char* type,
                                          unsigned long long contentSize) {
  return FileAttachmentJson(name, type, std::string()).size() + (contentSize + 2) / 3 * 4;
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
  if (!json.is_object()) return false;
  const char* key =
      json.contains("nextExpectedRanges") ? "nextExpectedRanges" : "NextExpectedRanges";
  if (!json.contains(key)) return false;
  const Json& ranges = json[key];
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

std::vector<std::string> ReadCollectionIds(std::string_view body) {
  std::vector<std::string> ids;
  const Json json = Parsed(body);
  if (!json.is_object() || !json.contains("value") || !json["value"].is_array()) return ids;
  for (const Json& item : json["value"]) {
    if (item.is_object() && item.contains("id") && item["id"].is_string()) {
      ids.push_back(item["id"].get<std::string>());
    }
  }
  return ids;
}

std::string GraphErrorCode(std::string_view body) {
  const Json json = Parsed(body);
  if (!json.is_object() || !json.contains("error") || !json["error"].is_object()) return {};
  const Json& error = json["error"];
  return error.contains("code") && error["code"].is_string() ? error["code"].get<std::string>()
                                                             : std::string();
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
  const std::string payload = token.substr(first + 1, second - first - 1);
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
