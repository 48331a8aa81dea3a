// The Credential Manager read back as cmdkey writes it: wide text.
#include <windows.h>
// After windows.h, which it needs.
#include <gtest/gtest.h>
#include <wincred.h>

#include "platform/credentials.h"

namespace j6::platform {
namespace {

bool Store(const wchar_t* target, const wchar_t* user, const void* blob, DWORD size) {
  CREDENTIALW credential{};
  credential.Type = CRED_TYPE_GENERIC;
  credential.TargetName = const_cast<wchar_t*>(target);
  credential.UserName = const_cast<wchar_t*>(user);
  credential.CredentialBlob = static_cast<LPBYTE>(const_cast<void*>(blob));
  credential.CredentialBlobSize = size;
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  return CredWriteW(&credential, 0) != 0;
}

TEST(StoredCredential, ComesAsUtf8AndAnOddBlobIsNoPassword) {
  const wchar_t password[] = L"P\x00E4ss";
  ASSERT_TRUE(Store(L"J6Mailer:smtp://wide", L"\x0141ukasz", password, 8));
  ASSERT_TRUE(Store(L"J6Mailer:smtp://odd", L"anna", "abc", 3));
  StoredCredential read;
  std::string error;
  EXPECT_EQ(ReadStoredCredential({"J6Mailer:smtp://wide", "", ""}, &read, &error), Lookup::kFound);
  EXPECT_EQ(read.user, "\xC5\x81ukasz");
  EXPECT_EQ(read.password, "P\xC3\xA4ss");
  EXPECT_EQ(ReadStoredCredential({"J6Mailer:smtp://odd", "", ""}, &read, &error), Lookup::kFailed);
  EXPECT_EQ(error, "the stored password of J6Mailer:smtp://odd is not as cmdkey stores it");
  EXPECT_EQ(ReadStoredCredential({"J6Mailer:smtp://none", "", ""}, &read, &error), Lookup::kNone);
  CredDeleteW(L"J6Mailer:smtp://wide", CRED_TYPE_GENERIC, 0);
  CredDeleteW(L"J6Mailer:smtp://odd", CRED_TYPE_GENERIC, 0);
}

}  // namespace
}  // namespace j6::platform
