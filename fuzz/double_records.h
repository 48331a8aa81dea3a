// What the fuzzing doubles of the transfer library, MAPI32 and the Extended
// wrapper were handed, kept in memory, and what they are to answer. Each
// double exports an accessor to its record; the harness finds it with dlsym
// on the same library, which it keeps loaded so that the record outlives the
// program's own load and free of the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace j6::fuzz {

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

}  // namespace j6::fuzz

extern "C" {
j6::fuzz::TransferRecord* J6FuzzTransferRecord();
j6::fuzz::SimpleRecord* J6FuzzSimpleRecord();
j6::fuzz::ExtendedRecord* J6FuzzExtendedRecord();
}
