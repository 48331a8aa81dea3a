// The texts of an Internet mail (RFC 5322 and MIME) that the SMTP sender
// builds from the run's Windows-1252 fields: header lines, folded and
// encoded by the rules of mail/header_line.h, with an attachment's name that
// is not plain ASCII as RFC 2231 parameters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mail/address.h"
#include "platform/clock.h"

namespace j6::mail {

/// The header line "Name: value", its words that cannot stand as they are
/// as encoded words of the windows-1252 charset.
std::string TextHeader(std::string_view name, std::string_view value);

/// "From: "Name" <address>", or the address alone when there is no name.
std::string FromHeader(std::string_view name, std::string_view address);

/// "Reply-To: "Name" <address>", as From names the sender.
std::string ReplyToHeader(std::string_view name, std::string_view address);

/// "To: a@x, "Name" <b@y>": each recipient as From names the sender.
std::string ToHeader(const mail::Recipient* recipients, std::size_t count);

/// "Date: Tue, 08 Dec 2026 06:05:01 +0100", local time with its offset.
std::string DateHeader(const platform::LocalTime& time);

/// "Message-ID: <...@domain>", unique through the time, the process and a
/// number the process counts up.
std::string MessageIdHeader(const platform::LocalTime& time, std::uint32_t processId,
                            unsigned number, std::string_view domain);

/// The Content-Disposition line of an attachment: `filename="name"`, or the
/// RFC 2231 `filename*` parameters when the name is not plain ASCII.
std::string AttachmentDisposition(std::string_view name);

/// The content type an attachment's extension names (".pdf":
/// application/pdf); application/octet-stream for any other.
const char* AttachmentType(std::string_view name);

/// The text quoted-printable (RFC 2045): its CR LF pairs are its line
/// breaks, and no line is longer than 76 characters.
std::string QuotedPrintable(std::string_view text);

}  // namespace j6::mail
