#include "tests/support/area_request.h"

namespace j6::test {

namespace {
void Put(std::string& record, std::size_t offset, std::size_t width, const std::string& text) {
  record.replace(offset, width, (text + std::string(width, ' ')).substr(0, width));
}
}  // namespace

std::string AreaRecordBytes(const AreaRequest& request) {
  std::string record(512, ' ');
  Put(record, 1, 99, request.documentRef);
  Put(record, 109, 8, request.outputDevice);
  Put(record, 147, 15, request.extraAttachmentName);
  Put(record, 228, 50, request.recipients);
  Put(record, 278, 50, request.subject);
  Put(record, 328, 50, request.bodyLine1);
  Put(record, 378, 50, request.bodyLine2);
  Put(record, 428, 50, request.bodyLine3);
  return record;
}

std::string RegString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace j6::test
