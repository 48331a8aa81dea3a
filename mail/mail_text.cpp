#include "mail/mail_text.h"

#include <cstdio>
#include <cstring>

#include "mail/header_line.h"
#include "mail/percent_encoded.h"
#include "platform/ascii.h"

namespace j6::mail {

namespace {

/// RFC 2231's attribute-char: what a parameter value may hold unencoded.
bool IsAttributeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos;
}

int DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = year - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string TextHeader(std::string_view name, std::string_view value) {
  mail::HeaderLine line(name);
  line.AddText(value);
  return line.text();
}

std::string FromHeader(std::string_view name, std::string_view address) {
  mail::HeaderLine line("From");
  line.AddMailbox(name, address, "");
  return line.text();
}

std::string ReplyToHeader(std::string_view name, std::string_view address) {
  mail::HeaderLine line("Reply-To");
  line.AddMailbox(name, address, "");
  return line.text();
}

std::string ToHeader(const mail::Recipient* recipients, std::size_t count) {
  mail::HeaderLine line("To");
  for (std::size_t i = 0; i < count; ++i) {
    line.AddMailbox(recipients[i].name, recipients[i].address, i + 1 < count ? "," : "");
  }
  return line.text();
}

std::string DateHeader(const platform::LocalTime& time) {
  static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int days = DaysFromCivil(time.year, time.month, time.day);  // 0 was a Thursday
  const int offset = time.utcOffsetMinutes < 0 ? -time.utcOffsetMinutes : time.utcOffsetMinutes;
  char text[64];
  std::snprintf(text, sizeof text, "Date: %s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
                kDays[((days % 7) + 7) % 7], time.day, kMonths[(time.month + 11) % 12], time.year,
                time.hour, time.minute, time.second, time.utcOffsetMinutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string MessageIdHeader(const platform::LocalTime& time, std::uint32_t processId,
                            unsigned number, std::string_view domain) {
  char text[96];
  std::snprintf(text, sizeof text, "<%04d%02d%02d%02d%02d%02d.%03d.%lu.%u@", time.year, time.month,
                time.day, time.hour, time.minute, time.second, time.millisecond,
                static_cast<unsigned long>(processId), number);
  return "Message-ID: " + std::string(text) + std::string(domain) + ">";
}

std::string AttachmentDisposition(std::string_view name) {
  mail::HeaderLine line("Content-Disposition");
  line.Add("attachment;");
  if (mail::IsPlainAscii(name)) {
    line.Add("filename=" + mail::QuotedString(name));
    return line.text();
  }
  std::string encoded = "windows-1252''" + PercentEncoded(name, IsAttributeChar);
  // Long values go in numbered sections, one a line, never splitting an
  // escape.
  constexpr std::size_t kSection = 48;
  if (encoded.size() <= kSection) {
    line.Add("filename*=" + encoded);
    return line.text();
  }
  std::size_t start = 0;
  for (int index = 0; start < encoded.size(); ++index) {
    std::size_t end = start + kSection < encoded.size() ? start + kSection : encoded.size();
    if (end < encoded.size()) {
      if (encoded[end - 1] == '%')
        end -= 1;
      else if (encoded[end - 2] == '%')
        end -= 2;
    }
    line.Fold();
    line.Add("filename*" + std::to_string(index) + "*=" + encoded.substr(start, end - start) +
             (end < encoded.size() ? ";" : ""));
    start = end;
  }
  return line.text();
}

const char* AttachmentType(std::string_view name) {
  static constexpr struct {
    const char* extension;
    const char* type;
  } kTypes[] = {
      {".pdf", "application/pdf"},
      {".txt", "text/plain"},
      {".csv", "text/csv"},
      {".xml", "application/xml"},
      {".zip", "application/zip"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".png", "image/png"},
      {".tif", "image/tiff"},
      {".tiff", "image/tiff"},
      {".doc", "application/msword"},
      {".xls", "application/vnd.ms-excel"},
      {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
  };
  for (const auto& known : kTypes) {
    if (platform::EndsWithIgnoringAsciiCase(name, known.extension)) return known.type;
  }
  return "application/octet-stream";
}

std::string QuotedPrintable(std::string_view text) {
  constexpr std::size_t kMaxQuotedLine = 76;
  std::string out;
  std::size_t line = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += "\r\n";
      line = 0;
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool lineEnds = i + 1 == text.size() || text.compare(i + 1, 2, "\r\n") == 0;
    char piece[4] = {static_cast<char>(c), '\0'};
    // A blank at the end of a line would be lost on the way.
    if ((c < '!' || c > '~' || c == '=') && !((c == ' ' || c == '\t') && !lineEnds)) {
      std::snprintf(piece, sizeof piece, "=%02X", c);
    }
    const std::size_t size = std::strlen(piece);
    // Room for the "=" of a soft line break.
    if (line + size + 1 > kMaxQuotedLine) {
      out += "=\r\n";
      line = 0;
    }
    out += piece;
    line += size;
  }
  return out;
}

}  // namespace j6::mail
