#include "dispatch/gmail_json.h"

#include <nlohmann/json.hpp>

namespace j6 {

bool ReadGoogleError(std::string_view body, GoogleError* error) {
  using Json = nlohmann::json;
  const Json json = Json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object() || !json.contains("error") || !json["error"].is_object()) return false;
  const Json& object = json["error"];
  *error = GoogleError{};
  if (object.contains("code") && object["code"].is_number_integer()) {
    error->code = object["code"].get<long>();
  }
  if (object.contains("message") && object["message"].is_string()) {
    error->message = object["message"].get<std::string>();
  }
  const auto errors = object.find("errors");
  if (errors != object.end() && errors->is_array() && !errors->empty() &&
      (*errors)[0].is_object() && (*errors)[0].contains("reason") &&
      (*errors)[0]["reason"].is_string()) {
    error->reason = (*errors)[0]["reason"].get<std::string>();
  }
  return true;
}

}  // namespace j6
