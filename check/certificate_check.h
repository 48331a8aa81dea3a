// The check's lines for a client certificate (CLIENT_CERT): found, valid
// long enough, its key able to sign (a test assertion signed here, nothing
// sent); and for the desktop's clock beside the token endpoint's, which a
// signed assertion's times are judged by.
#pragma once

#include <cstdint>
#include <string>

#include "check/report.h"
#include "oauth/client.h"

namespace j6::check {

/// Under this many days before it expires, a certificate is a [warn].
constexpr std::int64_t kRenewWithinDays = 30;

/// The certificate's line: [ok] with its thumbprint, subject and end, [warn]
/// within kRenewWithinDays of it, [fail] for what a run would refuse. True
/// unless it failed (also without CLIENT_CERT: nothing to check).
bool CheckClientCertificate(const oauth::OAuthClient& client, bool serviceAccount, Report& report);

/// The desktop's clock beside `serverDate` (the endpoint's Date header):
/// [ok] within two minutes, else [warn]. Nothing when there was no date.
void ReportClock(const std::string& host, std::int64_t serverDate, Report& report);

}  // namespace j6::check
