#include "oauth/url_query.h"

#include "mail/percent_encoded.h"

namespace j6::oauth {

namespace {

bool Unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Decoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low >= 0) {
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      decoded += text[i] == '+' ? ' ' : text[i];
    }
  }
  return decoded;
}

}  // namespace

std::string WithQuery(const std::string& url,
                      const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string full = url;
  char separator = url.find('?') == std::string::npos ? '?' : '&';
  for (const auto& [name, value] : fields) {
    full += separator + mail::PercentEncoded(name, Unreserved) + "=" +
            mail::PercentEncoded(value, Unreserved);
    separator = '&';
  }
  return full;
}

std::map<std::string, std::string> QueryOf(std::string_view target) {
  std::map<std::string, std::string> fields;
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return fields;
  std::string_view query = target.substr(question + 1);
  query = query.substr(0, query.find('#'));
  while (!query.empty()) {
    const std::string_view pair = query.substr(0, query.find('&'));
    query.remove_prefix(pair.size() < query.size() ? pair.size() + 1 : pair.size());
    const std::size_t equals = pair.find('=');
    if (pair.empty()) continue;
    fields.emplace(Decoded(pair.substr(0, equals)),
                   equals == std::string_view::npos ? "" : Decoded(pair.substr(equals + 1)));
  }
  return fields;
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

}  // namespace j6::oauth
