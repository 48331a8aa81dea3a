// Process entry. On Windows this is a GUI-subsystem program, so no console
// window flashes up when the host starts it; the C runtime still calls main.
#include "app/entry.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  return j6::MailerMain(j6::platform::CommandLineRemainder(argc, argv));
}
