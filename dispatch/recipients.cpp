#include "dispatch/recipients.h"

#include "run/text.h"

namespace j6 {

std::vector<char*> SplitRecipients(char* list) {
  std::vector<char*> pieces;
  char* p = list;
  if (*p == '!') ++p;
  while (*p != '\0') {
    if (*p == ';') {
      *p++ = '\0';
      continue;
    }
    char* piece = p;
    while (*p != '\0' && *p != ';') ++p;
    if (*p == ';') *p++ = '\0';
    TrimTrailingSpaces(piece);
    pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace j6
