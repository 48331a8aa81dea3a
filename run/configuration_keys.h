// Every key of the configuration file, one row each: LoadConfiguration reads
// the rows, and the check program names any key of the file that has none.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <utility>

#include "run/run_state.h"

namespace j6 {

inline constexpr char kConfigSection[] = "MAILCLIENT";
inline constexpr char kSmtpSection[] = "SMTP";
inline constexpr char kGraphSection[] = "GRAPH";
inline constexpr char kLogFileKey[] = "LOGFILE";
inline constexpr char kMapiKey[] = "MAPI";

/// How a key's value is read and kept.
enum class KeyRule {
  kPath,   // a path, counted in characters as Windows counts them
           // (platform::ReadProfilePath); a longer one is none at all
  kCut,    // cut to its field, as the profile reader cuts to its buffer
  kWhole,  // never kept cut (it would name another server or file): a longer
           // value leaves the field empty, and the section's overlong
           // (overlong, smtp.overlong, graph.overlong) names the first
};

struct ConfigKey {
  const char* section;
  const char* key;
  KeyRule rule;
  std::size_t capacity;                                  // characters the field takes
  void (*store)(RunState& run, std::string_view value);  // into the field
};

/// "MAPI": the text as written, and the hand-over it chooses.
void StoreHandOver(RunState& run, std::string_view value);

/// "TIMEOUT" of [SMTP] and of [GRAPH]: whole seconds from 1 to 3600;
/// anything else, or none, is 60.
void StoreTimeout(RunState& run, std::string_view value);
void StoreGraphTimeout(RunState& run, std::string_view value);

/// The field the members lead to from `object`: run.smtp.server for
/// &RunState::smtp, &SmtpSettings::server.
template <auto First, auto... Rest, typename Object>
constexpr auto& FieldOf(Object& object) {
  if constexpr (sizeof...(Rest) == 0) {
    return object.*First;
  } else {
    return FieldOf<Rest...>(object.*First);
  }
}

/// The row of a key kept as text: its field, named by the members that lead
/// to it from the run state, gives the row its capacity and its store.
template <auto... Members>
constexpr ConfigKey TextKey(const char* section, const char* key, KeyRule rule) {
  using Field = std::remove_reference_t<decltype(FieldOf<Members...>(std::declval<RunState&>()))>;
  return {section, key, rule, Field::kCapacity,
          [](RunState& run, std::string_view value) { FieldOf<Members...>(run).Assign(value); }};
}

/// In the order a run reads them. A new key is a new row here.
inline constexpr ConfigKey kConfigKeys[] = {
    TextKey<&RunState::logFilePath>(kConfigSection, kLogFileKey, KeyRule::kPath),
    {kConfigSection, kMapiKey, KeyRule::kCut, decltype(RunState::mapiMode)::kCapacity,
     &StoreHandOver},
    TextKey<&RunState::proxy>(kConfigSection, "PROXY", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::server>(kSmtpSection, "SERVER", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::tls>(kSmtpSection, "TLS", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::user>(kSmtpSection, "USER", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::from>(kSmtpSection, "FROM", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::caFile>(kSmtpSection, "CAFILE", KeyRule::kWhole),
    {kSmtpSection, "TIMEOUT", KeyRule::kCut, 15, &StoreTimeout},
    TextKey<&RunState::smtp, &SmtpSettings::helo>(kSmtpSection, "HELO", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::auth>(kSmtpSection, "AUTH", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::proxy>(kSmtpSection, "PROXY", KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::tokenUrl>(kSmtpSection, "TOKEN_URL", KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::clientId>(kSmtpSection, "CLIENT_ID", KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::scope>(kSmtpSection, "SCOPE", KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::grant>(kSmtpSection, "GRANT", KeyRule::kWhole),
    TextKey<&RunState::smtp, &SmtpSettings::sasl>(kSmtpSection, "SASL", KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::deviceUrl>(kSmtpSection, "DEVICE_URL",
                                                         KeyRule::kWhole),
    TextKey<&RunState::smtpOAuth, &OAuthKeys::authorizeUrl>(kSmtpSection, "AUTHORIZE_URL",
                                                            KeyRule::kWhole),
    TextKey<&RunState::graph, &GraphSettings::url>(kGraphSection, "URL", KeyRule::kWhole),
    TextKey<&RunState::graph, &GraphSettings::user>(kGraphSection, "USER", KeyRule::kWhole),
    TextKey<&RunState::graph, &GraphSettings::from>(kGraphSection, "FROM", KeyRule::kWhole),
    TextKey<&RunState::graph, &GraphSettings::caFile>(kGraphSection, "CAFILE", KeyRule::kWhole),
    {kGraphSection, "TIMEOUT", KeyRule::kCut, 15, &StoreGraphTimeout},
    TextKey<&RunState::graphOAuth, &OAuthKeys::tokenUrl>(kGraphSection, "TOKEN_URL",
                                                         KeyRule::kWhole),
    TextKey<&RunState::graphOAuth, &OAuthKeys::clientId>(kGraphSection, "CLIENT_ID",
                                                         KeyRule::kWhole),
    TextKey<&RunState::graphOAuth, &OAuthKeys::scope>(kGraphSection, "SCOPE", KeyRule::kWhole),
    TextKey<&RunState::graphOAuth, &OAuthKeys::grant>(kGraphSection, "GRANT", KeyRule::kWhole),
    TextKey<&RunState::graphOAuth, &OAuthKeys::deviceUrl>(kGraphSection, "DEVICE_URL",
                                                          KeyRule::kWhole),
    TextKey<&RunState::graphOAuth, &OAuthKeys::authorizeUrl>(kGraphSection, "AUTHORIZE_URL",
                                                             KeyRule::kWhole),
};

}  // namespace j6
