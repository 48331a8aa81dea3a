// Inside net/ only: the mail's transaction on a session curl opened, secured
// and signed in (CURLOPT_CONNECT_ONLY). curl sends MAIL, each RCPT and DATA
// one after the other, a round trip each; where the server offers PIPELINING
// (RFC 2920) they go here in one write, and their replies are read in order,
// each still deciding. Then the message, dot-stuffed, and the end of the data.
#pragma once

#include <curl/curl.h>

#include <string>

#include "net/net_transport.h"

namespace j6::net {

/// What the server's EHLO offered that the transaction uses.
struct SmtpOffers {
  bool pipelining = false;
  bool size = false;  // SIZE=: the server refuses a mail too large before it is sent
};

struct SmtpTransaction {
  enum class End {
    kTaken,       // the end of the data answered 2xx
    kRefused,     // a command refused: `command` and the server's `reply`
    kFailed,      // ours: `failure` (a time limit, the message unreadable, the connection)
    kMaybeTaken,  // the whole message went out and no reply to its end came
  };
  End end = End::kFailed;
  std::string command;  // the verb refused: "MAIL", "RCPT", "DATA", or "." (the data's end)
  std::string reply;    // the server's last line of that reply
  std::string failure;
};

/// Sends the mail on the open session: the envelope (pipelined where
/// offered), then, when DATA is answered 354 and every recipient was taken,
/// the message; a recipient refused after a pipelined DATA was answered 354
/// ends the connection without the data's end, so that the server drops the
/// transaction. Each reply is awaited `timeoutSeconds`, the one to the end of
/// the data at least 10 minutes; QUIT ends a taken mail's session, its reply
/// awaited 2 seconds at most.
SmtpTransaction SendTransaction(CURL* curl, const J6SmtpMail& mail, const SmtpOffers& offers,
                                long timeoutSeconds);

}  // namespace j6::net
