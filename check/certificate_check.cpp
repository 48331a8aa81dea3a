#include "check/certificate_check.h"

#include "check/smtp_check.h"
#include "oauth/assertion.h"
#include "oauth/client_certificate.h"
#include "platform/clock.h"
#include "platform/wipe.h"

namespace j6::check {

namespace {

constexpr std::int64_t kDaySeconds = std::int64_t{24} * 60 * 60;
// Microsoft allows five minutes of skew; two leave room for the network.
constexpr std::int64_t kClockSkewSeconds = std::int64_t{2} * 60;

std::string Span(std::int64_t seconds) {
  return seconds < 120 ? std::to_string(seconds) + " s" : std::to_string(seconds / 60) + " min";
}

}  // namespace

bool CheckClientCertificate(const oauth::OAuthClient& client, bool serviceAccount, Report& report) {
  if (client.clientCert.empty()) return true;
  oauth::ClientCertificate certificate;
  std::string error;
  const std::int64_t now = platform::NowUtcSeconds();
  if (!oauth::LoadClientCertificate(client, &certificate, &error) ||
      !oauth::ValidAt(certificate, now, &error)) {
    report.Fail(error + ": " + kNotSent);
    return false;
  }
  // Signed as a run signs, to prove the key usable; the assertion goes nowhere.
  std::string jwt;
  const bool signs =
      serviceAccount ? oauth::MakeServiceAccountAssertion(client, certificate, now, &jwt, &error)
                     : oauth::MakeClientAssertion(client, certificate, now, &jwt, &error);
  platform::Wipe(&jwt);
  const std::string named = "client certificate " + oauth::ThumbprintText(certificate.thumbprint) +
                            " (CN=" + certificate.subject + ", valid until " +
                            oauth::UtcText(certificate.notAfter) + ")";
  if (!signs) {
    report.Fail(named + ": " + error + ": " + kNotSent);
    return false;
  }
  const std::int64_t left = certificate.notAfter - now;
  if (left < kRenewWithinDays * kDaySeconds) {
    report.Warn(named + " expires in " + std::to_string(left / kDaySeconds) +
                " days: make a new one and upload it before then");
  } else {
    report.Ok(named + ", its private key usable");
  }
  return true;
}

void ReportClock(const std::string& host, std::int64_t serverDate, Report& report) {
  if (serverDate <= 0) return;
  const std::int64_t now = platform::NowUtcSeconds();
  const std::int64_t apart = now > serverDate ? now - serverDate : serverDate - now;
  if (apart <= kClockSkewSeconds) {
    report.Ok("the desktop's clock is within " + Span(apart) + " of " + host + "'s");
    return;
  }
  report.Warn("the desktop's clock (" + oauth::UtcText(now) + ") is " + Span(apart) +
              (now > serverDate ? " ahead of " : " behind ") + host + "'s (" +
              oauth::UtcText(serverDate) +
              "): set it right, or signed assertions and tokens are refused");
}

}  // namespace j6::check
