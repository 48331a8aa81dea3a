// The OAuth side's JSON (nlohmann/json, header-only): the endpoints' answers
// and the stored tokens (Graph's JSON is dispatch/graph_json.cpp's). Parsed without exceptions:
// what is not JSON is an error text, as everywhere else.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

#include "oauth/assertion.h"
#include "oauth/token_answer.h"
#include "oauth/token_store.h"

namespace j6::oauth {

namespace {

using Json = nlohmann::json;

void ReadText(const Json& object, const char* key, std::string* field) {
  const auto found = object.find(key);
  if (found != object.end() && found->is_string()) *field = found->get<std::string>();
}

// Larger lifetimes and intervals than this (three years) are no endpoint's.
constexpr std::int64_t kLongestSeconds = 100000000;
constexpr std::int64_t kLatestTime = 100000000000;

/// The digits' value, or -1 when `text` is not digits or exceeds `limit`.
std::int64_t Digits(const std::string& text, std::int64_t limit) {
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > limit) return -1;
  }
  return text.empty() ? -1 : value;
}

/// A whole number from 0 to `limit`, or a string of such digits, as some
/// endpoints send it; anything else leaves `*field` as it is.
template <typename Number>
void ReadNumber(const Json& object, const char* key, std::int64_t limit, Number* field) {
  const auto found = object.find(key);
  if (found == object.end()) return;
  std::int64_t value = -1;
  if (found->is_number_integer()) {
    value = found->get<std::int64_t>();
  } else if (found->is_string()) {
    value = Digits(found->get_ref<const std::string&>(), limit);
  }
  if (value >= 0 && value <= limit) *field = static_cast<Number>(value);
}

}  // namespace

bool ParseEndpointAnswer(long status, std::string_view body, EndpointAnswer* answer,
                         std::string* error) {
  const Json json = Json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) {
    *error = "answered " + std::to_string(status) + " without a JSON object";
    return false;
  }
  *answer = EndpointAnswer{};
  answer->status = status;
  ReadText(json, "access_token", &answer->accessToken);
  ReadText(json, "refresh_token", &answer->refreshToken);
  ReadText(json, "token_type", &answer->tokenType);
  ReadText(json, "scope", &answer->scope);
  ReadNumber(json, "expires_in", kLongestSeconds, &answer->expiresIn);
  ReadText(json, "error", &answer->error);
  ReadText(json, "error_description", &answer->errorDescription);
  ReadText(json, "device_code", &answer->deviceCode);
  ReadText(json, "user_code", &answer->userCode);
  // RFC 8628 names it verification_uri; some endpoints verification_url.
  ReadText(json, "verification_url", &answer->verificationUri);
  ReadText(json, "verification_uri", &answer->verificationUri);
  ReadText(json, "verification_uri_complete", &answer->verificationUriComplete);
  ReadText(json, "message", &answer->message);
  ReadNumber(json, "interval", kLongestSeconds, &answer->interval);
  return true;
}

std::string TokensText(const Tokens& tokens) {
  const Json json = {{"refresh_token", tokens.refreshToken}, {"access_token", tokens.accessToken},
                     {"expires_at", tokens.expiresAt},       {"token_url", tokens.tokenUrl},
                     {"client_id", tokens.clientId},         {"scope", tokens.scope},
                     {"lifetime", tokens.lifetime}};
  // Replaced, not thrown at, should a setting not be UTF-8.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string JwtPartText(const JwtPart& part) {
  Json json = Json::object();
  for (const auto& [name, value] : part) {
    if (const auto* text = std::get_if<std::string>(&value)) {
      json[name] = *text;
    } else {
      json[name] = std::get<std::int64_t>(value);
    }
  }
  // Insertion order is not kept by nlohmann's object, nor needed: a JWT's
  // members are a set.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool ParseTokens(std::string_view text, Tokens* tokens, std::string* error) {
  const Json json = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) {
    *error = "the stored tokens are not as J6Mailer writes them";
    return false;
  }
  *tokens = Tokens{};
  ReadText(json, "refresh_token", &tokens->refreshToken);
  ReadText(json, "access_token", &tokens->accessToken);
  ReadNumber(json, "expires_at", kLatestTime, &tokens->expiresAt);
  // Absent in entries written before it was kept: 0, the five-minute rule.
  ReadNumber(json, "lifetime", kLongestSeconds, &tokens->lifetime);
  ReadText(json, "token_url", &tokens->tokenUrl);
  ReadText(json, "client_id", &tokens->clientId);
  ReadText(json, "scope", &tokens->scope);
  return true;
}

}  // namespace j6::oauth
