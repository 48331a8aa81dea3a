// A MAPI32 for tests: MAPISendMail writes everything it was handed, one item
// a line, to the file named by J6TEST_MAPI_RECORD, and returns the number in
// J6TEST_MAPI_RESULT (0 when unset). With J6TEST_MAPI_WAIT_MS set it behaves
// as a mail client busy with its form: it writes "waiting" to the record at
// once, waits that long, and only then reads each attachment, recording its
// digest. With J6TEST_MAPI_CHDIR set it first changes the process's current
// folder to that one, as the mail client's stub does while it works. Built
// without the export as well, by naming the entry point otherwise
// (J6_DOUBLE_ENTRY).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/simple_mapi_abi.h"
#include "tests/support/digest.h"

namespace {

using namespace j6::mapi;

/// The whole file, as the mail client reads an attachment; false when it
/// cannot be opened or read.
bool ReadWholeFile(const char* path, std::string* bytes) {
  std::FILE* file = j6::platform::OpenFile(path, "rb");
  if (file == nullptr) return false;
  char chunk[4096];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, count);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

std::string Show(const char* text) {
  if (text == nullptr) return "(none)";
  std::string shown;
  for (const char* p = text; *p != '\0'; ++p)
    shown += *p == '\n' ? std::string("\\n") : std::string(1, *p);
  return shown;
}

std::string Recipient(const char* what, const MapiRecipDesc& r) {
  return std::string(what) + " class=" + std::to_string(r.ulRecipClass) +
         " name=" + Show(r.lpszName) + " address=" + Show(r.lpszAddress);
}

void Record(const std::string& text) {
  const char* path = std::getenv("J6TEST_MAPI_RECORD");
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return;
  std::fputs(text.c_str(), file);
  std::fclose(file);
}

}  // namespace

extern "C" ULONG J6_MAPI_CALL J6_DOUBLE_ENTRY(LHANDLE session, std::uintptr_t uiParam,
                                              MapiMessage* message, FLAGS flags, ULONG reserved) {
  const char* folder = std::getenv("J6TEST_MAPI_CHDIR");
  if (folder != nullptr && *folder != '\0') {
    // A folder that cannot be entered leaves the current one: the test then
    // sees its files where they were.
    static_cast<void>(chdir(folder));
  }
  const char* wait = std::getenv("J6TEST_MAPI_WAIT_MS");
  if (wait != nullptr && *wait == '\0') wait = nullptr;  // set empty: not waiting
  if (wait != nullptr) {
    Record("waiting\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(std::strtol(wait, nullptr, 10)));
  }
  std::string text = "MAPISendMail session=" + std::to_string(session) +
                     " ui=" + std::to_string(uiParam) + " flags=" + std::to_string(flags) +
                     " reserved=" + std::to_string(reserved) + "\n";
  text += "subject=" + Show(message->lpszSubject) + "\n";
  text += "note=" + Show(message->lpszNoteText) + "\n";
  if (message->lpOriginator != nullptr)
    text += Recipient("originator", *message->lpOriginator) + "\n";
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    text += Recipient("recipient", message->lpRecips[i]) + "\n";
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& f = message->lpFiles[i];
    text += "file position=" + std::to_string(f.nPosition) + " path=" + Show(f.lpszPathName) +
            " name=" + Show(f.lpszFileName) + "\n";
    std::string bytes;
    if (wait != nullptr && f.lpszPathName != nullptr && ReadWholeFile(f.lpszPathName, &bytes)) {
      text += "content " + j6::test::Digest(bytes) + "\n";
    }
  }
  Record(text);
  const char* result = std::getenv("J6TEST_MAPI_RESULT");
  return result != nullptr ? static_cast<ULONG>(std::strtoul(result, nullptr, 0)) : 0;
}
