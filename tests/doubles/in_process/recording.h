// The libraries the program loads (the transfer library, MAPI32 and the
// Extended wrapper) played in-process, through the outside table of
// platform/outside.h: each double keeps what it was handed in memory and
// answers what its record says. The unit tests and the record harness use
// them; the end-to-end tests have libraries of their own (tests/doubles/).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"

namespace j6::doubles {

/// A text handed over as a pointer: copied at the call, absent when null.
struct HandedText {
  bool present = false;
  std::string text;
};

inline HandedText Hand(const char* text) {
  return text != nullptr ? HandedText{true, text} : HandedText{};
}

struct TransferCall {
  HandedText server;
  HandedText remote;
  HandedText local;
  bool withPort = false;  // J6TFN's four arguments, not J6TF's three
  std::int32_t port = 0;
};

struct TransferRecord {
  // A call whose local path is `deliverAt` writes the document to the file
  // `deliverFile`, as the real library would fetch it there.
  std::string deliverAt;
  std::string deliverFile;
  std::vector<TransferCall> calls;
};

struct SimpleRecipient {
  std::uint32_t recipClass = 0;
  HandedText name;
  HandedText address;
};

struct SimpleFile {
  std::uint32_t position = 0;
  HandedText path;
  HandedText name;
};

struct SimpleCall {
  std::uintptr_t session = 0;
  std::uintptr_t uiParam = 0;
  std::uint32_t flags = 0;
  std::uint32_t reserved = 0;
  HandedText subject;
  HandedText note;
  bool hasOriginator = false;
  SimpleRecipient originator;
  std::vector<SimpleRecipient> recipients;
  bool recipientsWithoutArray = false;  // a count with a null array
  std::vector<SimpleFile> files;
  bool filesWithoutArray = false;
};

struct SimpleRecord {
  std::uint32_t result = 0;  // what MAPISendMail returns
  std::vector<SimpleCall> calls;
};

struct ExtendedRecipient {
  HandedText text;
  int type = 0;
};

struct ExtendedAttachment {
  HandedText path;
  HandedText name;
};

struct ExtendedRecord {
  std::string failing;  // the call that answers 0 or null; empty: none
  int formResult = 1;   // what ShowForm returns

  std::vector<std::string> calls;  // every call's name, in order
  int sessionsAlive = 0;           // made and not yet deleted
  int messagesAlive = 0;
  int initialised = 0;     // successful Init calls less Term calls
  bool badHandle = false;  // a call got something it never handed out
  HandedText senderName;
  HandedText senderEmail;
  std::vector<ExtendedRecipient> recipients;
  std::vector<HandedText> subjects;
  std::vector<HandedText> bodies;
  std::vector<ExtendedAttachment> attachments;
};

/// The message box in-process: each box shown, as "caption: text", in order.
std::vector<std::string>& Boxes();
void ShowBox(const char* caption, const char* text, unsigned flags);

/// Each double's record, one per process; a test starts by resetting it.
TransferRecord& Transfer();
SimpleRecord& Simple();
ExtendedRecord& Extended();

/// A library's exports by name, as the program looks them up.
using Exports = std::map<std::string, platform::EntryPoint>;

/// J6TFN's j6tf (four arguments) or J6TF's (three).
Exports TransferExports(bool withPort);
/// MAPI32's MAPISendMail.
Exports Mapi32Exports();
/// Every function of the Extended wrapper's C interface.
Exports MapiExExports();

}  // namespace j6::doubles
