#include "dispatch/smtp_settings.h"

#include "mail/address.h"
#include "mail/percent_encoded.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/host_name.h"
#include "platform/tls_authorities.h"
#include "platform/url.h"
#include "run/https_proxy.h"

namespace j6 {

namespace {

/// What a URL's path keeps as it is.
bool KeptInUrl(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

/// curl greets the server (EHLO) with the URL's path: HELO, else a name
/// SERVER gives after the host, else the machine's fully qualified name.
/// Without one curl's own choice stays, the machine's bare name.
bool AddGreetingName(const SmtpSettings& smtp, std::string* url, std::string* error) {
  const std::size_t rest = url->find_first_of("/?#", url->find("://") + 3);
  std::string name(smtp.helo.view());
  if (!name.empty()) {
    if (!mail::IsMailDomain(name)) {
      *error = "HELO is not a host name: " + name;
      return false;
    }
    url->resize(rest == std::string::npos ? url->size() : rest);
  } else {
    if (rest != std::string::npos) return true;
    name = platform::FullyQualifiedHostName();
    if (name.find('.') == std::string::npos || !mail::IsMailDomain(name)) return true;
  }
  *url += "/" + mail::PercentEncoded(name, KeptInUrl);
  return true;
}

std::string Text(std::string_view value) { return std::string(value); }

}  // namespace

SmtpSignIn SignInOf(const SmtpSettings& smtp) {
  const std::string_view auth = smtp.auth.view();
  if (auth.empty() || platform::EqualsIgnoringAsciiCase(auth, "PASSWORD")) {
    return SmtpSignIn::kPassword;
  }
  if (platform::EqualsIgnoringAsciiCase(auth, "OAUTH2")) return SmtpSignIn::kOAuth2;
  return SmtpSignIn::kUnknown;
}

SmtpTls TlsOf(const SmtpSettings& smtp) {
  if (platform::EqualsIgnoringAsciiCase(smtp.tls.view(), "NONE")) return SmtpTls::kNone;
  if (platform::EqualsIgnoringAsciiCase(smtp.tls.view(), "TRY")) return SmtpTls::kTry;
  return SmtpTls::kRequired;
}

bool ServerHoldsLogin(std::string_view server) { return platform::ReadUrl(server).holdsLogin; }

bool ServerUrl(std::string_view setting, std::string* url) {
  const platform::Url read = platform::ReadUrl(setting);
  const std::string scheme = read.scheme.empty() ? std::string("smtp") : read.scheme;
  if ((scheme != "smtp" && scheme != "smtps") || read.host.empty()) return false;
  const std::string port = !read.port.empty() ? read.port : scheme == "smtps" ? "465" : "587";
  *url = scheme + "://" + read.host + ":" + port + read.rest;
  return true;
}

std::string ShownServer(const SmtpSettings& smtp) {
  return ServerHoldsLogin(smtp.server.view()) ? "(not shown: it holds a user or password)"
                                              : Text(smtp.server.view());
}

bool ReadServer(const SmtpSettings& smtp, std::string* url, std::string* error) {
  if (!smtp.overlong.empty()) {
    *error = Text(smtp.overlong.view()) + " is too long";
  } else if (smtp.server.empty()) {
    *error = "no server";
  } else if (ServerHoldsLogin(smtp.server.view())) {
    // curl would log in with it, and the log and the check would show it.
    *error = "SERVER must not hold a user or password";
  } else if (!ServerUrl(smtp.server.view(), url)) {
    *error = "not an smtp:// or smtps:// server: " + Text(smtp.server.view());
  } else if (!smtp.proxy.empty() &&
             (!IsProxySetting(smtp.proxy.view()) ||
              platform::EqualsIgnoringAsciiCase(smtp.proxy.view(), "DIRECT"))) {
    *error = "PROXY is not http://host:port without a user or password";
  } else {
    return AddGreetingName(smtp, url, error);
  }
  return false;
}

bool ReadAuthorities(const SmtpSettings& smtp, std::string* path, std::string* error) {
  const bool plain =
      TlsOf(smtp) == SmtpTls::kNone && platform::ReadUrl(smtp.server.view()).scheme != "smtps";
  if (!plain) return platform::AuthorityFile(smtp.caFile.view(), path, error);
  path->clear();
  return true;
}

bool ReadSignIn(const RunState& run, oauth::OAuthSettings* oauth, std::string* error) {
  switch (SignInOf(run.smtp)) {
    case SmtpSignIn::kPassword:
      return true;
    case SmtpSignIn::kOAuth2:
      return oauth::ReadOAuthSettings(SmtpOAuthClient(run), oauth, error);
    case SmtpSignIn::kUnknown:
      break;
  }
  // Not taken as the password's: that could send a password where none is
  // meant to go.
  *error = "AUTH is not PASSWORD or OAUTH2: " + Text(run.smtp.auth.view());
  return false;
}

bool ReadSmtpSession(const RunState& run, SmtpSession* session, std::string* error) {
  session->signIn = SignInOf(run.smtp);
  return ReadServer(run.smtp, &session->url, error) &&
         ReadAuthorities(run.smtp, &session->caFile, error) &&
         ReadSignIn(run, &session->oauth, error);
}

bool CheckSmtpSettings(const RunState& run, SmtpSession* session, std::string* sender,
                       std::string* error) {
  return ReadSmtpSession(run, session, error) &&
         ReadSender(run, run.smtp.from.view(), sender, error);
}

platform::CredentialPlace SmtpLoginPlace(const SmtpSettings& smtp) {
  return {CredentialTarget(smtp), oauth::HostOf(smtp.server.view()), Text(smtp.user.view())};
}

platform::Lookup ReadSmtpLogin(const SmtpSettings& smtp, platform::StoredCredential* credential,
                               std::string* target, std::string* error) {
  platform::CredentialPlace place = SmtpLoginPlace(smtp);
  *target = place.target;
  platform::Lookup read = platform::ReadStoredCredential(place, credential, error);
  std::string url;
  if (read != platform::Lookup::kNone || !ServerUrl(smtp.server.view(), &url)) return read;
  const std::string other = kCredentialPrefix + url;
  if (other == place.target) return read;
  place.target = other;
  read = platform::ReadStoredCredential(place, credential, error);
  *target = read == platform::Lookup::kFound ? other : *target + " or " + other;
  return read;
}

oauth::OAuthClient SmtpOAuthClient(const RunState& run) {
  const SmtpSettings& smtp = run.smtp;
  const OAuthKeys& keys = run.smtpOAuth;
  oauth::OAuthClient client;
  client.tokenUrl = Text(keys.tokenUrl.view());
  client.clientId = Text(keys.clientId.view());
  client.scope = Text(keys.scope.view());
  client.grant = Text(keys.grant.view());
  client.clientCert = Text(keys.clientCert.view());
  client.sasl = Text(smtp.sasl.view());
  client.deviceUrl = Text(keys.deviceUrl.view());
  client.authorizeUrl = Text(keys.authorizeUrl.view());
  client.user = Text(smtp.user.view());
  client.server = Text(smtp.server.view());
  if (!platform::AuthorityFile(smtp.caFile.view(), &client.caFile, &client.caFileError)) {
    client.caFile.clear();
  }
  client.timeoutSeconds = smtp.timeoutSeconds;
  client.proxy = Text(run.proxy.view());
  client.proxyTooLong = run.overlong.view() == "PROXY";
  // The zero keeps "ab"+"c" apart from "a"+"bc"; entries stored before the
  // client had a value of its own are named the same.
  client.storeKey = client.server + '\0' + client.user;
  client.formerSecret = SmtpLoginPlace(smtp);
  return client;
}

bool SmtpOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client) {
  if (SignInOf(run.smtp) != SmtpSignIn::kOAuth2) return false;
  *client = SmtpOAuthClient(run);
  return true;
}

}  // namespace j6
