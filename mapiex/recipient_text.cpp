#include "mapiex/recipient_text.h"

#include "platform/ascii.h"

namespace j6::mapiex {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

RecipientText ParseRecipient(const char* text) {
  RecipientText recipient;
  const std::string whole = Trimmed(text != nullptr ? text : "");
  const auto open = whole.rfind('<');
  const auto close = whole.rfind('>');
  if (open != std::string::npos && close != std::string::npos && close > open) {
    recipient.address = Trimmed(whole.substr(open + 1, close - open - 1));
    recipient.name = Trimmed(whole.substr(0, open));
    if (recipient.name.size() >= 2 && recipient.name.front() == '"' &&
        recipient.name.back() == '"') {
      recipient.name = recipient.name.substr(1, recipient.name.size() - 2);
    }
  } else {
    recipient.address = whole;
  }
  if (recipient.address.size() > 5 &&
      platform::StartsWithIgnoringAsciiCase(recipient.address, "smtp:")) {
    recipient.address = recipient.address.substr(5);
  }
  if (recipient.name.empty()) recipient.name = recipient.address;
  return recipient;
}

bool IsInternetAddress(const std::string& text) {
  const auto at = text.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 == text.size()) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return false;
  }
  return true;
}

}  // namespace j6::mapiex
