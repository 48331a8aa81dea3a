// One table of recipient pieces, as every hand-over must read them: the
// display name and address, or (address null) refused as no RFC 5321 mailbox
// by the SMTP sender. `to` is the piece in the SMTP mail's To header.
#pragma once

namespace j6::test {

struct RecipientPiece {
  const char* piece;
  const char* name;
  const char* address;
  const char* to;
};

inline constexpr RecipientPiece kRecipientPieces[] = {
    {"anna@example.com", "", "anna@example.com", "anna@example.com"},
    {" big@example.it", "", "big@example.it", "big@example.it"},  // "a@x; big@example.it"
    {"SMTP:anna@example.com", "", "anna@example.com", "anna@example.com"},
    {"Anna Rossi <anna@example.com>", "Anna Rossi", "anna@example.com",
     "\"Anna Rossi\" <anna@example.com>"},
    {"\"Rossi, Anna\" <smtp:anna@x.it>", "Rossi, Anna", "anna@x.it", "\"Rossi, Anna\" <anna@x.it>"},
    {"Caff\xE8 <bar@x.it>", "Caff\xE8", "bar@x.it", "=?windows-1252?Q?Caff=E8?= <bar@x.it>"},
    {"anna@[192.0.2.1]", "", "anna@[192.0.2.1]", "anna@[192.0.2.1]"},
    // A header parser refuses control characters even encoded.
    {"Anna\r\nBcc: x <a@x.it>", "Anna\r\nBcc: x", "a@x.it", "\"Anna  Bcc: x\" <a@x.it>"},
    {"a@x.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.it", nullptr, nullptr,
     nullptr},  // a label of 64
    {"a@x.com,evil@y.com", nullptr, nullptr, nullptr},
    {"\"a@x.com,evil\"@y.com", nullptr, nullptr, nullptr},
    {"Anna <anna@x.it> evil@y.com", nullptr, nullptr, nullptr},
    {"Anna Rossi", nullptr, nullptr, nullptr},
    {"anna..rossi@x.it", nullptr, nullptr, nullptr},
    {"Anna <>", nullptr, nullptr, nullptr},
};

}  // namespace j6::test
