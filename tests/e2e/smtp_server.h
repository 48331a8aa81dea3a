// The SMTP server of the end-to-end tests (tests/smtp/smtp_server.py), which
// a CTest fixture starts on the loopback before them, and what it took.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace j6::test {

/// A file of the server's folder (its test authorities: "ca.pem",
/// "other-ca.pem"), in the form the program takes a path in.
std::string SmtpServerFile(const std::string& name);

/// The port of one of its kinds ("https" among them).
std::string SmtpServerPort(const std::string& kind);

/// The "SERVER" setting of one of its kinds ("starttls", "plain", "smtps",
/// "silent", "closed"): smtps://localhost:<port> for "smtps", else
/// smtp://localhost:<port>.
std::string SmtpServerUrl(const std::string& kind);

/// A client certificate of the server's (client_assertions.py): its PEM
/// file as the program takes a path, its thumbprint, its end as logged.
struct ClientCertFile {
  std::string path, thumbprint, until;
};
ClientCertFile ClientCert(const std::string& name);

/// An envelope sender that only the test named `tag` uses, so that tests
/// side by side tell their mail apart.
std::string SenderFor(const std::string& tag);

struct ReceivedPart {
  std::string type;
  std::string encoding;
  std::string filename;  // UTF-8, as the server decoded it
  std::string bytes;     // the content, decoded
};

struct ReceivedMail {
  // "from: ...", "to: ..." each, "tls: yes|no", "login: ...", "auth: tried|no",
  // "size: <SIZE= of MAIL FROM>|none", "ehlo: <name>"
  std::vector<std::string> envelope;
  std::uintmax_t size = 0;           // of the message as received
  std::vector<std::string> headers;  // "Name: value", decoded to UTF-8, in order
  std::vector<ReceivedPart> parts;
};

/// Every mail the server took from `sender`, in the order it took them.
std::vector<ReceivedMail> MailFrom(const std::string& sender);

}  // namespace j6::test
