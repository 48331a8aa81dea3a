#include "mail/recipients.h"

#include <cstring>

namespace j6::mail {

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
    // Trailing blanks go (code 32 only: tabs stay).
    for (char* end = piece + std::strlen(piece); end > piece && end[-1] == ' ';) *--end = '\0';
    pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace j6::mail
