// Every key of the configuration file, one row each: LoadConfiguration reads
// the rows, and the check program names any key of the file that has none.
// A section is a value that makes its own rows, so that a key is filed under
// its section with that section's rule for a value too long and its timeout;
// the OAuth keys are written once and stamped into each section that takes
// them.
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
inline constexpr char kGmailSection[] = "GMAIL";
inline constexpr char kLogFileKey[] = "LOGFILE";
inline constexpr char kMapiKey[] = "MAPI";

/// How a key's value is read and kept.
enum class KeyRule {
  kPath,   // a path, counted in characters as Windows counts them
           // (platform::ReadProfilePath); a longer one is none at all
  kCut,    // cut to its field, as the profile reader cuts to its buffer
  kWhole,  // never kept cut (it would name another server or file): a longer
           // value leaves the field empty, and its section's `overlong`
           // names the first
};

using Overlong = FixedString<15>;

struct ConfigKey {
  const char* section;
  const char* key;
  KeyRule rule;
  std::size_t capacity;                                  // characters the field takes
  void (*store)(RunState& run, std::string_view value);  // into the field
  Overlong& (*overlong)(RunState& run);                  // the section's
};

/// "MAPI": the text as written, and the hand-over it chooses.
void StoreHandOver(RunState& run, std::string_view value);

/// "TIMEOUT": whole seconds from 1 to 3600; anything else, or none, is 60.
long TimeoutSeconds(std::string_view text);

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

/// A section of the file: its name, and the members that lead to where it
/// names its first key too long (`Overlong`). It makes the rows of its keys.
template <auto... OverlongField>
struct Section {
  const char* name;

  static Overlong& OverlongOf(RunState& run) { return FieldOf<OverlongField...>(run); }

  /// The row of a key kept as text: its field, named by the members that
  /// lead to it from the run state, gives the row its capacity and its store.
  template <auto... Members>
  constexpr ConfigKey Text(const char* key, KeyRule rule = KeyRule::kWhole) const {
    using Field = std::remove_reference_t<decltype(FieldOf<Members...>(std::declval<RunState&>()))>;
    return {name,
            key,
            rule,
            Field::kCapacity,
            [](RunState& run, std::string_view value) { FieldOf<Members...>(run).Assign(value); },
            &OverlongOf};
  }

  /// The row of TIMEOUT, cut to 15 as its 16-byte buffer cut it, then read
  /// as seconds into the field the members name.
  template <auto... Members>
  constexpr ConfigKey Timeout() const {
    return {name,
            "TIMEOUT",
            KeyRule::kCut,
            15,
            [](RunState& run, std::string_view value) {
              FieldOf<Members...>(run) = TimeoutSeconds(value);
            },
            &OverlongOf};
  }
};

inline constexpr Section<&RunState::overlong> kMailClientKeys{kConfigSection};
inline constexpr Section<&RunState::smtp, &SmtpSettings::overlong> kSmtpKeys{kSmtpSection};
inline constexpr Section<&RunState::graph, &GraphSettings::overlong> kGraphKeys{kGraphSection};
inline constexpr Section<&RunState::gmail, &GmailSettings::overlong> kGmailKeys{kGmailSection};

// The OAuth 2.0 keys of a section, into its OAuthKeys (`keys`, a member of
// the run state): written once, stamped into each section that takes them.
// (An object and a template argument in parentheses would be neither.)
// NOLINTBEGIN(bugprone-macro-parentheses)
#define J6_OAUTH_KEY_ROWS(section, keys)                         \
  section.Text<keys, &OAuthKeys::tokenUrl>("TOKEN_URL"),         \
      section.Text<keys, &OAuthKeys::clientId>("CLIENT_ID"),     \
      section.Text<keys, &OAuthKeys::scope>("SCOPE"),            \
      section.Text<keys, &OAuthKeys::grant>("GRANT"),            \
      section.Text<keys, &OAuthKeys::clientCert>("CLIENT_CERT"), \
      section.Text<keys, &OAuthKeys::deviceUrl>("DEVICE_URL"),   \
      section.Text<keys, &OAuthKeys::authorizeUrl>("AUTHORIZE_URL")
// NOLINTEND(bugprone-macro-parentheses)

/// In the order a run reads them. A new key is a new row here.
inline constexpr ConfigKey kConfigKeys[] = {
    kMailClientKeys.Text<&RunState::logFilePath>(kLogFileKey, KeyRule::kPath),
    {kConfigSection, kMapiKey, KeyRule::kCut, decltype(RunState::mapiMode)::kCapacity,
     &StoreHandOver, &decltype(kMailClientKeys)::OverlongOf},
    kMailClientKeys.Text<&RunState::proxy>("PROXY"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::server>("SERVER"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::tls>("TLS"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::user>("USER"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::from>("FROM"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::caFile>("CAFILE"),
    kSmtpKeys.Timeout<&RunState::smtp, &SmtpSettings::timeoutSeconds>(),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::helo>("HELO"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::auth>("AUTH"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::proxy>("PROXY"),
    kSmtpKeys.Text<&RunState::smtp, &SmtpSettings::sasl>("SASL"),
    J6_OAUTH_KEY_ROWS(kSmtpKeys, &RunState::smtpOAuth),
    kGraphKeys.Text<&RunState::graph, &GraphSettings::url>("URL"),
    kGraphKeys.Text<&RunState::graph, &GraphSettings::user>("USER"),
    kGraphKeys.Text<&RunState::graph, &GraphSettings::from>("FROM"),
    kGraphKeys.Text<&RunState::graph, &GraphSettings::caFile>("CAFILE"),
    kGraphKeys.Timeout<&RunState::graph, &GraphSettings::timeoutSeconds>(),
    J6_OAUTH_KEY_ROWS(kGraphKeys, &RunState::graphOAuth),
    kGmailKeys.Text<&RunState::gmail, &GmailSettings::user>("USER"),
    kGmailKeys.Text<&RunState::gmail, &GmailSettings::from>("FROM"),
    kGmailKeys.Text<&RunState::gmail, &GmailSettings::url>("URL"),
    kGmailKeys.Text<&RunState::gmail, &GmailSettings::caFile>("CAFILE"),
    kGmailKeys.Timeout<&RunState::gmail, &GmailSettings::timeoutSeconds>(),
    J6_OAUTH_KEY_ROWS(kGmailKeys, &RunState::gmailOAuth),
};

}  // namespace j6
