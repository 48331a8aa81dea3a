#include "tests/standins/eml_reader.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "tests/support/temp_dir.h"

namespace j6::test {

namespace {

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

/// The part's content with its transfer encoding undone.
std::string Decoded(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return std::string();
  Ref<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, out.get());
  const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

std::string WithLineFeeds(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  return result;
}

void ReadPart(GMimeObject* object, EmlMessage* message, bool* haveBody) {
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
      ReadPart(g_mime_multipart_get_part(multipart, i), message, haveBody);
    }
    return;
  }
  if (!GMIME_IS_PART(object)) return;
  GMimePart* part = GMIME_PART(object);
  const char* fileName = g_mime_part_get_filename(part);
  if (fileName == nullptr && !*haveBody &&
      g_mime_content_type_is_type(g_mime_object_get_content_type(object), "text", "plain")) {
    *haveBody = true;
    message->body = WithLineFeeds(Decoded(part));
    const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
    message->bodyCharset = charset != nullptr ? charset : "";
    return;
  }
  message->attachments.push_back({fileName != nullptr ? fileName : "", Decoded(part)});
}

}  // namespace

std::optional<std::string> EmlMessage::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualIgnoringCase(key, name)) return value;
  }
  return std::nullopt;
}

std::optional<EmlMessage> ReadEml(const std::string& path) {
  static const bool ready = (g_mime_init(), true);
  (void)ready;
  EmlMessage message;
  message.raw = ReadFileBytes(path);
  if (message.raw.empty()) return std::nullopt;
  Ref<GMimeStream> stream(
      g_mime_stream_mem_new_with_buffer(message.raw.data(), message.raw.size()));
  Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  Ref<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!parsed) return std::nullopt;
  GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(parsed.get()));
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
    const char* value = g_mime_header_get_value(header);
    message.headers.emplace_back(g_mime_header_get_name(header), value != nullptr ? value : "");
  }
  bool haveBody = false;
  GMimeObject* body = g_mime_message_get_mime_part(parsed.get());
  if (body != nullptr) ReadPart(body, &message, &haveBody);
  return message;
}

std::vector<std::string> OutboxFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace j6::test
