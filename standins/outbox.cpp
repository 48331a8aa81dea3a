#include "standins/outbox.h"

#include <gmime/gmime.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <utility>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "mail/file_name.h"
#include "mail/header_line.h"
#include "mail/line_breaks.h"
#include "platform/windows1252.h"

namespace j6::outbox {

namespace {

/// A file descriptor, closed with its holder.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }

  int get() const { return fd_; }
  /// close(), which may report a write that failed late.
  bool Close() { return close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

/// The attachment's file open for reading, or none (-1) when it is no
/// readable regular file: for the sender a folder, a pipe or a file that
/// cannot be read is as good as missing. Only its first byte is read here;
/// the rest streams into the message.
Descriptor OpenAttachment(const std::string& windowsPath) {
  if (windowsPath.empty()) return Descriptor();
  struct stat info {};
  Descriptor file(platform::OpenRegularFile(platform::PosixPath(windowsPath), &info));
  char byte = 0;
  if (file.get() >= 0 && pread(file.get(), &byte, 1, 0) < 0) return Descriptor();
  return file;
}

/// Whether the whole file can be read. A failed write names no culprit;
/// this tells an attachment that could not be read from an outbox that could
/// not be written.
bool ReadsToTheEnd(int fd) {
  char chunk[65536];
  for (off_t at = 0;;) {
    const ssize_t count = pread(fd, chunk, sizeof chunk, at);
    if (count == 0) return true;
    if (count < 0 && errno != EINTR) return false;
    if (count > 0) at += count;
  }
}

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

void InitGMime() {
  // Once per process; both stand-ins may be loaded into the same one.
  static const bool done = (g_mime_init(), true);
  (void)done;
}

// GMime keeps neither RFC 5322's 78 characters a line nor RFC 2047's 75 an
// encoded word for a long text that it has to encode: it cuts texts by their
// characters, not by the length of the words they become. So the mail rules'
// encoder (mail/header_line.h), which the SMTP sender uses too, writes the
// subject and every display name that is not plain, and they are set raw.

/// Sets the header's value as the line has it, in GMime's raw form: what
/// follows the name's colon, each line ending in a line feed.
void SetRawHeader(GMimeObject* object, const char* name, const mail::HeaderLine& line) {
  GMimeHeader* header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name);
  if (header == nullptr) return;
  const std::string value = line.text().substr(std::strlen(name) + 1);
  g_mime_header_set_raw_value(header, (mail::LineBreaksAs(value, "\n") + "\n").c_str());
}

/// GMime makes the mailboxes and renders those with a plain name; another
/// name goes as encoded words of ours before the address GMime gives.
void AddMailboxes(GMimeMessage* message, GMimeAddressType type, const char* header,
                  const std::vector<const Mailbox*>& mailboxes) {
  if (mailboxes.empty()) return;
  InternetAddressList* list = g_mime_message_get_addresses(message, type);
  GMimeFormatOptions* options = g_mime_format_options_get_default();
  mail::HeaderLine line(header);
  for (std::size_t i = 0; i < mailboxes.size(); ++i) {
    const Mailbox& mailbox = *mailboxes[i];
    // A name that only repeats the address would be shown twice.
    const std::string name = mailbox.name == mailbox.address ? std::string() : mailbox.name;
    Ref<InternetAddress> address(
        internet_address_mailbox_new(platform::Utf8FromWindows1252(name).c_str(),
                                     platform::Utf8FromWindows1252(mailbox.address).c_str()));
    internet_address_list_add(list, address.get());
    const char* separator = i + 1 < mailboxes.size() ? "," : "";
    if (mail::IsPlainHeaderText(name)) {
      gchar* text = internet_address_to_string(address.get(), options, TRUE);
      line.AddUnit(std::string(text) + separator);
      g_free(text);
    } else {
      line.AddMailbox(
          name, internet_address_mailbox_get_idn_addr(INTERNET_ADDRESS_MAILBOX(address.get())),
          separator);
    }
  }
  SetRawHeader(GMIME_OBJECT(message), header, line);
}

void SetSubject(GMimeMessage* message, const std::string& subject) {
  g_mime_message_set_subject(message, platform::Utf8FromWindows1252(subject).c_str(), nullptr);
  mail::HeaderLine line("Subject");
  line.AddText(subject);
  SetRawHeader(GMIME_OBJECT(message), "Subject", line);
}

/// A part whose content `stream` holds as it is, to be written in
/// `encoding`.
Ref<GMimePart> NewPart(const char* type, const char* subtype, GMimeStream* stream,
                       GMimeContentEncoding encoding) {
  Ref<GMimePart> part(g_mime_part_new_with_type(type, subtype));
  Ref<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  g_mime_part_set_content_encoding(part.get(), encoding);
  return part;
}

/// A stream over a file descriptor that stays the caller's. GMime reads and
/// writes it a few kilobytes at a time, so a file of any size streams
/// through the encoder.
Ref<GMimeStream> FileStream(int fd) {
  Ref<GMimeStream> stream(g_mime_stream_fs_new(fd));
  g_mime_stream_fs_set_owner(GMIME_STREAM_FS(stream.get()), FALSE);
  return stream;
}

/// Whether the file at `fd` ends with `tail`.
bool EndsWith(int fd, const std::string& tail) {
  struct stat info {};
  const auto size = static_cast<off_t>(tail.size());
  if (fstat(fd, &info) != 0 || info.st_size < size) return false;
  std::string end(tail.size(), '\0');
  return pread(fd, end.data(), end.size(), info.st_size - size) == size && end == tail;
}

/// Writes the message as MIME text with CR LF line ends to `out`, each
/// attachment read from its file in `files`; false when GMime fails.
bool WriteMessage(const Message& message, const std::vector<Descriptor>& files, int out) {
  InitGMime();
  // Headers are added in the order a reader expects to see them.
  Ref<GMimeMessage> mime(g_mime_message_new(FALSE));
  GMimeObject* top = GMIME_OBJECT(mime.get());
  if (message.sender && !(message.sender->name.empty() && message.sender->address.empty())) {
    AddMailboxes(mime.get(), GMIME_ADDRESS_TYPE_FROM, "From", {&*message.sender});
  }
  std::vector<const Mailbox*> recipients;
  for (const Mailbox& recipient : message.recipients) recipients.push_back(&recipient);
  AddMailboxes(mime.get(), GMIME_ADDRESS_TYPE_TO, "To", recipients);
  SetSubject(mime.get(), message.subject);
  GDateTime* now = g_date_time_new_now_local();
  g_mime_message_set_date(mime.get(), now);
  g_date_time_unref(now);
  char* id = g_mime_utils_generate_message_id(g_get_host_name());
  const std::string bracketed = std::string("<") + id + ">";
  g_free(id);
  g_mime_object_append_header(top, "Message-ID", bracketed.c_str(), nullptr);
  g_mime_object_append_header(top, "MIME-Version", "1.0", nullptr);
  if (message.draft) g_mime_object_append_header(top, "X-Unsent", "1", nullptr);

  Ref<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  // The format options below turn every line feed into CR LF; one already
  // there must not become two line breaks.
  const std::string body = mail::LineBreaksAs(message.body, "\n");
  Ref<GMimeStream> bodyStream(g_mime_stream_mem_new_with_buffer(body.data(), body.size()));
  Ref<GMimePart> text =
      NewPart("text", "plain", bodyStream.get(), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(text.get()), "charset", "windows-1252");
  g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
  for (std::size_t i = 0; i < message.attachments.size(); ++i) {
    const Attachment& attachment = message.attachments[i];
    Ref<GMimePart> file = NewPart("application", "octet-stream", FileStream(files[i].get()).get(),
                                  GMIME_CONTENT_ENCODING_BASE64);
    const std::string name = attachment.name.empty()
                                 ? std::string(mail::WindowsFileName(attachment.path))
                                 : attachment.name;
    g_mime_part_set_filename(file.get(), platform::Utf8FromWindows1252(name).c_str());
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(file.get()));
  }
  g_mime_message_set_mime_part(mime.get(), GMIME_OBJECT(mixed.get()));

  GMimeFormatOptions* options = g_mime_format_options_clone(nullptr);
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  const bool written = g_mime_object_write_to_stream(top, options, FileStream(out).get()) >= 0;
  g_mime_format_options_free(options);
  // GMime takes a write the disk cut short for done when no other write
  // follows it: the message is whole only when it ends with its closing line.
  const char* boundary = g_mime_multipart_get_boundary(mixed.get());
  return written && EndsWith(out, std::string("\r\n--") + boundary + "--\r\n");
}

/// Names sort in the order one process wrote its messages: the time is
/// taken once per message, and a number that only grows tells apart the
/// messages of one millisecond.
std::string FinalName(const std::string& folder, const std::string& stamp, unsigned number) {
  char name[128];
  std::snprintf(name, sizeof name, "%s-%ld-%06u.eml", stamp.c_str(), static_cast<long>(getpid()),
                number);
  return folder + "/" + name;
}

std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return std::string(stamp) + "." + std::to_string(1000 + millis).substr(1);
}

/// A new file under a hidden name in `folder`, made when missing; -1, and
/// `temporary` empty, when it cannot be made.
int CreateTemporary(const std::string& folder, std::string* temporary) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  *temporary = folder + "/.j6mailer-XXXXXX.tmp";
  const int fd = error ? -1 : mkstemps(temporary->data(), 4);
  if (fd < 0) temporary->clear();
  return fd;
}

/// A message is written to a temporary file and only then given a .eml name
/// of its own, so that a reader never sees half a message and no earlier
/// message is replaced. The file is removed unless it got that name.
class NewFile {
 public:
  explicit NewFile(const std::string& folder)
      : folder_(folder), file_(CreateTemporary(folder, &temporary_)) {}
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() {
    if (!temporary_.empty()) unlink(temporary_.c_str());
  }

  /// -1 when the file could not be made.
  int fd() const { return file_.get(); }

  /// Writes what is written through to the disk and gives the file its name;
  /// nothing when that fails.
  std::optional<std::string> Publish() {
    const bool synced = fsync(file_.get()) == 0;
    if (!file_.Close() || !synced) return std::nullopt;
    static unsigned number = 0;
    const std::string stamp = TimeStamp();
    for (unsigned attempt = 1; attempt <= 1000; ++attempt) {
      std::string name = FinalName(folder_, stamp, ++number);
      if (link(temporary_.c_str(), name.c_str()) == 0) return name;
      if (errno == EEXIST) continue;
      // A file system without hard links: rename, atomic too, but it would
      // replace a file of the same name, so look first.
      struct stat info {};
      if (lstat(name.c_str(), &info) == 0) continue;
      if (rename(temporary_.c_str(), name.c_str()) != 0) break;
      temporary_.clear();
      return name;
    }
    return std::nullopt;
  }

 private:
  std::string folder_;
  std::string temporary_;  // empty: nothing to remove
  Descriptor file_;
};

}  // namespace

mapi::ULONG Deliver(const Message& message, std::string* file) noexcept {
  try {
    std::vector<Descriptor> files;
    for (const Attachment& attachment : message.attachments) {
      files.push_back(OpenAttachment(attachment.path));
      if (files.back().get() < 0) return mapi::kMapiAttachmentNotFound;
    }
    for (const Mailbox& recipient : message.recipients) {
      if (recipient.address.empty()) return mapi::kMapiUnknownRecipient;
    }
    if (message.recipients.empty() && !message.draft) return mapi::kMapiInvalidRecips;
    NewFile eml(platform::OutboxFolder());
    if (eml.fd() < 0) return mapi::kMapiFailure;
    std::optional<std::string> written;
    if (WriteMessage(message, files, eml.fd())) written = eml.Publish();
    if (!written) {
      for (const Descriptor& attachment : files) {
        if (!ReadsToTheEnd(attachment.get())) return mapi::kMapiAttachmentNotFound;
      }
      return mapi::kMapiFailure;
    }
    if (file != nullptr) *file = std::move(*written);
    return mapi::kMapiSuccess;
  } catch (...) {
    return mapi::kMapiFailure;
  }
}

}  // namespace j6::outbox
