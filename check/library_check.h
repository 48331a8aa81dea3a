// The libraries a run loads: the transfer library, and the mail library of
// the MAPI setting. Each is found by the program's own search, held against
// the program by its header, and only then loaded.
#pragma once

#include <string>

#include "check/binary_header.h"
#include "check/report.h"

namespace j6::check {

/// The check program, which every library is held against: it lies beside
/// J6Mailer and is built alike.
struct Program {
  std::string fileName;  // as the messages name it: "J6MailerCheck.exe"
  BinaryHeader header;   // its bits are always known: those of this build
};

/// This process's executable.
Program ThisProgram();

/// J6TFN, else J6TF, as a run tries them: found, built as the program, loads,
/// exports j6tf.
void CheckTransferLibrary(const Program& program, Report& report);

/// MAPI32.DLL: found, built as the program, loads, exports MAPISendMail.
void CheckSimpleMapi(const Program& program, Report& report);

/// The Extended wrapper: found, built as the program, loads and exports its
/// whole interface; MAPI initialises and logs on to the default profile,
/// which is then logged off again. No message is ever made.
void CheckExtendedMapi(const Program& program, Report& report);

/// Why J6Mailer cannot load a library whose header is `header` ("J6TFN.dll
/// is 64-bit, J6MailerCheck.exe is 32-bit"), as far as the header tells;
/// empty when it can.
std::string Mismatch(const std::string& fileName, const BinaryHeader& header,
                     const Program& program);

}  // namespace j6::check
