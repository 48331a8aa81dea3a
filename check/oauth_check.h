// The SMTP hand-over's sign-in with AUTH=OAUTH2: its settings (never a
// secret), the client secret, being signed in, the token endpoint, and the
// server taking the token.
#pragma once

#include <string>

#include "check/report.h"
#include "oauth/client.h"
#include "run/run_state.h"

namespace j6::check {

/// The way the run's requests to `url` go (run/https_proxy.h): its
/// "Proxy: ..." line and any fallback the desktop's settings took.
void ReportProxy(const oauth::OAuthClient& client, const std::string& url, Report& report);

/// The lines every route's OAuth sign-in has: the settings (never a
/// secret), the client secret stored or not needed, for GRANT=REFRESH_TOKEN
/// being signed in, and an access token from TOKEN_URL into `*token`. False
/// after the first [fail].
bool CheckOAuthClient(const oauth::OAuthClient& client, Report& report, std::string* token);

/// One line per OAuth setting and per check: the client secret stored (or
/// not needed), for GRANT=REFRESH_TOKEN a refresh token stored for SERVER,
/// USER and CLIENT_ID, an access token from TOKEN_URL (reachable, its
/// certificate verified, the client accepted), and a session with the
/// server that signs in with it and sends nothing. The check asks TOKEN_URL
/// even when a stored access token is still good, and stores what it gives
/// (a replaced refresh token included): the one thing a check changes.
void CheckOAuth(const RunState& run, Report& report);

}  // namespace j6::check
