// Mail requests as the host writes them, for tests.
#pragma once

#include <string>

namespace j6::test {

/// The fields of a request; each is blank-padded (or cut) to its width.
struct AreaRequest {
  std::string documentRef = "..\\PRT\\R1";
  std::string outputDevice = "*MAIL";
  std::string extraAttachmentName;
  std::string recipients = "!anna@example.com;bruno@example.com";
  std::string subject = "Fattura 17";
  std::string bodyLine1 = "Gentile cliente,";
  std::string bodyLine2;
  std::string bodyLine3 = "Cordiali saluti";
};

/// The 512-byte record of `request`.
std::string AreaRecordBytes(const AreaRequest& request);

/// `text` as a .reg file string, with backslashes and quotes escaped.
std::string RegString(const std::string& text);

}  // namespace j6::test
