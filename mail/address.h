// Mail addresses: how a piece of the host's recipient list is read, the same
// for every hand-over, and what may go into an SMTP envelope.
#pragma once

#include <string>
#include <string_view>

namespace j6::mail {

/// A recipient piece, read. `name` is empty when the piece gives none.
struct Recipient {
  std::string name;
  std::string address;
};

/// Reads a piece of the recipient list: both ends trimmed of blanks and
/// tabs; "Name <address>" (the name perhaps in double quotes, nothing after
/// the ">") split into display name and address; a leading "SMTP:" in any
/// case dropped from the address. Any other text is an address alone.
Recipient ReadRecipient(std::string_view piece);

/// Whether the text is an RFC 5321 mailbox, as an SMTP envelope carries it:
/// a dot-atom local part of at most 64 characters, "@", and a domain or an
/// address literal. Quoted local parts are not taken: servers and relays
/// read them differently, and they can hide a second address.
/// Stricter than IsClientAddress because the program's own SMTP client
/// writes this envelope, and must write nothing a server could misread.
bool IsMailbox(std::string_view text);

/// Whether a mail client may be handed the text as the address of a
/// recipient or sender that no address book knows (a MAPI one-off): an "@"
/// with something on either side, and no blank or control character.
/// Laxer than IsMailbox because the client's own transport writes the
/// envelope, and may take what the program's SMTP client cannot send (an
/// international domain, a local part in the code page); the text only must
/// not be a name that would bounce later.
bool IsClientAddress(std::string_view text);

/// Whether the text is a domain name or an address literal ("[192.0.2.1]",
/// "[IPv6:...]") as RFC 5321 has them after "@" and in EHLO; ASCII only.
bool IsMailDomain(std::string_view text);

}  // namespace j6::mail
