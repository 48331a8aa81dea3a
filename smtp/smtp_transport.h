/* The SMTP transport's C interface: one mail, built and sent over libcurl.
   Plain structures of texts and counts, so that the program reaches it the
   same way whether it is linked in (Windows) or loaded when the SMTP sender
   runs (libJ6Smtp.so elsewhere); no C++ exception crosses it. */
#ifndef J6_SMTP_TRANSPORT_H
#define J6_SMTP_TRANSPORT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* For smtp:// servers; an smtps:// server speaks TLS from the first byte. */
enum { J6SMTP_TLS_NONE = 0, J6SMTP_TLS_TRY = 1, J6SMTP_TLS_REQUIRED = 2 };

/* What a read callback returns when its source fails: the send is abandoned
   before the message ends, so the server never takes it. */
#define J6SMTP_READ_FAILED ((size_t)-1)

/* Fills at most `size` bytes of `buffer` from `source`; 0 at its end. */
typedef size_t (*J6SmtpRead)(void* source, char* buffer, size_t size);

/* One part of the multipart/mixed message: its content either in memory
   (`data`, encoded already) or streamed through `read` and encoded here. The
   size of each is known before the mail goes, so that the server can refuse
   a mail too large for it before it is sent (SIZE=). */
typedef struct J6SmtpPart {
  const char* type;           /* Content-Type */
  const char* encoding;       /* Content-Transfer-Encoding; "base64" for streamed parts */
  const char* const* headers; /* further header lines, "Name: value" */
  size_t headerCount;
  const char* data;
  size_t dataSize;
  J6SmtpRead read; /* null: the content is `data` */
  void* source;
  /* A streamed part gives exactly this many bytes, the size of its file when
     it was opened; more or fewer end the session before the mail is whole. */
  unsigned long long sourceSize;
  const char* origin; /* what `source` reads, for the error text */
} J6SmtpPart;

typedef struct J6SmtpMail {
  const char* url;       /* smtp://host:port or smtps://host:port, and /the EHLO name */
  int tls;               /* J6SMTP_TLS_*, for smtp:// */
  const char* caFile;    /* PEM file of the authorities to trust; null: the system's */
  long timeoutSeconds;   /* connecting, each reply, a pause in the data; not the last reply */
  const char* user;      /* null: the netrc file's, or no authentication */
  const char* password;  /* null: the netrc file's */
  const char* netrcFile; /* null: none */
  const char* mailFrom;
  const char* const* recipients;
  size_t recipientCount;
  const char* const* headers; /* the message's header lines */
  size_t headerCount;
  const J6SmtpPart* parts;
  size_t partCount;
} J6SmtpMail;

/* Sends the mail: 1 when the server accepted it; else 0, with what failed
   (curl's text, and the server's refusal where there was one) in `error`.
   A login happens only inside TLS, unless `tls` is J6SMTP_TLS_NONE. The
   reply to the end of the data is awaited at least 10 minutes (RFC 5321
   4.5.3.2.6): a server that takes long to accept a mail still has it. */
int J6Smtp_Send(const J6SmtpMail* mail, char* error, size_t errorSize);

/* Opens a session with the mail's server as a send would (the connection,
   TLS as asked, the certificate verified, the login when a user is given)
   and closes it without sending: 1 when all of that worked; else 0, with
   what failed in `error`. Only the connection fields of `mail` are read. */
int J6Smtp_Probe(const J6SmtpMail* mail, char* error, size_t errorSize);

typedef int (*J6SmtpSendFunction)(const J6SmtpMail* mail, char* error, size_t errorSize);
typedef int (*J6SmtpProbeFunction)(const J6SmtpMail* mail, char* error, size_t errorSize);

#ifdef __cplusplus
}
#endif

#endif
