// The built MAPIEx.dll, loaded as the program loads it. Under Wine there is
// no mail profile, so no logon succeeds: with Wine's own MAPI32 the wrapper
// initialises as far as that MAPI32 lets it; with no MAPI32 at all (the
// prefix setting the program's tests use) it does not initialise.
// J6TEST_MAPI32 says which of the two a run has ("wine" or "none"); CTest
// runs this program in both.
#include <windows.h>

#include <mapix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dispatch/mapiex_classes.h"
#include "platform/dynamic_library.h"

namespace j6 {
namespace {

std::string Mapi32Setting() {
  const char* value = std::getenv("J6TEST_MAPI32");
  return value != nullptr ? value : "";
}

/// The names a module exports, from its export directory.
std::vector<std::string> ExportsOf(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::vector<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.emplace_back(reinterpret_cast<const char*>(base + nameOffsets[i]));
  }
  // Functions reachable only by number would be exports too.
  EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
  return names;
}

/// The DLLs a module imports, upper case.
std::vector<std::string> ImportsOf(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  for (const auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       entry->Name != 0; ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    names.push_back(name);
  }
  return names;
}

class MapiExLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = new platform::DynamicLibrary();
    loaded_ = LoadMapiEx(library_, &f_);
  }
  static void TearDownTestSuite() {
    delete library_;
    library_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(loaded_) << "MAPIEx.dll did not load, or lacks a function: " << library_->error();
  }

  static platform::DynamicLibrary* library_;
  static bool loaded_;
  static MapiExFunctions f_;
};

platform::DynamicLibrary* MapiExLibrary::library_ = nullptr;
bool MapiExLibrary::loaded_ = false;
MapiExFunctions MapiExLibrary::f_{};

TEST_F(MapiExLibrary, IsTheOneBuiltBesideTheTests) {
  char own[MAX_PATH] = {};
  char wrapper[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, own, MAX_PATH), 0u);
  ASSERT_NE(GetModuleFileNameA(GetModuleHandleA("MAPIEx.dll"), wrapper, MAX_PATH), 0u);
  std::string folder(own);
  folder.erase(folder.find_last_of('\\') + 1);
  EXPECT_STRCASEEQ(wrapper, (folder + "MAPIEx.dll").c_str());
}

TEST_F(MapiExLibrary, ExportsExactlyTheInterfaceUndecorated) {
  std::vector<std::string> exported = ExportsOf(GetModuleHandleA("MAPIEx.dll"));
  std::sort(exported.begin(), exported.end());
  std::vector<std::string> declared = {
      "MAPIEx_SessionNew",     "MAPIEx_SessionDelete",  "MAPIEx_Init",
      "MAPIEx_Term",           "MAPIEx_Login",          "MAPIEx_OpenMessageStore",
      "MAPIEx_GetProfileName", "MAPIEx_OpenOutbox",     "MAPIEx_Logout",
      "MAPIEx_MessageNew",     "MAPIEx_MessageDelete",  "MAPIEx_MessageCreate",
      "MAPIEx_SetSenderName",  "MAPIEx_SetSenderEmail", "MAPIEx_AddRecipient",
      "MAPIEx_SetSubject",     "MAPIEx_SetBody",        "MAPIEx_AddAttachment",
      "MAPIEx_ShowForm",       "MAPIEx_Send",
  };
  std::sort(declared.begin(), declared.end());
  EXPECT_EQ(exported, declared);
}

TEST_F(MapiExLibrary, ImportsOnlySystemLibraries) {
  // MAPI32 is loaded at Init, not imported: a desktop without MAPI still
  // loads the wrapper. No mingw runtime DLL either: it is linked statically.
  const std::vector<std::string> system = {"KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL",
                                           "ADVAPI32.DLL", "OLE32.DLL",  "OLEAUT32.DLL"};
  const std::vector<std::string> imports = ImportsOf(GetModuleHandleA("MAPIEx.dll"));
  EXPECT_FALSE(imports.empty());
  for (const std::string& dll : imports) {
    EXPECT_NE(std::find(system.begin(), system.end(), dll), system.end()) << dll;
  }
}

/// Every export handed null handles (and null texts), as a caller that lost
/// its objects would: each refuses, none crashes.
void ExpectNullHandlesRefused(const MapiExFunctions& f) {
  EXPECT_EQ(f.Login(nullptr, nullptr), 0);
  EXPECT_EQ(f.Login(nullptr, "Outlook"), 0);
  EXPECT_EQ(f.OpenMessageStore(nullptr, nullptr, 0x201), 0);
  EXPECT_EQ(f.GetProfileName(nullptr), nullptr);
  EXPECT_EQ(f.OpenOutbox(nullptr, 1), nullptr);
  f.Logout(nullptr);
  EXPECT_EQ(f.MessageCreate(nullptr, nullptr, 2), 0);
  f.SetSenderName(nullptr, "J6");
  f.SetSenderEmail(nullptr, "j6@example.com");
  EXPECT_EQ(f.AddRecipient(nullptr, "anna@example.com", 1), 0);
  EXPECT_EQ(f.AddRecipient(nullptr, nullptr, 1), 0);
  f.SetSubject(nullptr, "subject");
  f.SetBody(nullptr, "body\n");
  EXPECT_EQ(f.AddAttachment(nullptr, "C:\\windows\\win.ini", nullptr), 0);
  EXPECT_EQ(f.ShowForm(nullptr, nullptr), 0);
  EXPECT_EQ(f.Send(nullptr), 0);
  f.MessageDelete(nullptr);
  f.SessionDelete(nullptr);
}

/// A live session and message that never got MAPI objects: every call that
/// needs one refuses, whatever texts it is given.
void ExpectEmptyObjectsRefused(const MapiExFunctions& f) {
  void* session = f.SessionNew();
  void* message = f.MessageNew();
  ASSERT_NE(session, nullptr);
  ASSERT_NE(message, nullptr);
  EXPECT_NE(session, message);
  EXPECT_EQ(f.OpenMessageStore(session, nullptr, 0x201), 0);
  EXPECT_EQ(f.GetProfileName(session), nullptr);
  EXPECT_EQ(f.OpenOutbox(session, 1), nullptr);
  EXPECT_EQ(f.MessageCreate(message, session, 2), 0);
  EXPECT_EQ(f.MessageCreate(message, nullptr, 2), 0);
  EXPECT_EQ(f.MessageCreate(nullptr, session, 2), 0);
  f.SetSenderName(message, nullptr);
  f.SetSenderEmail(message, nullptr);
  f.SetSubject(message, nullptr);
  f.SetBody(message, nullptr);
  EXPECT_EQ(f.AddRecipient(message, "anna@example.com", 1), 0);
  EXPECT_EQ(f.AddRecipient(message, nullptr, 1), 0);
  EXPECT_EQ(f.AddAttachment(message, "C:\\windows\\win.ini", "win.ini"), 0);
  EXPECT_EQ(f.AddAttachment(message, nullptr, nullptr), 0);
  EXPECT_EQ(f.ShowForm(message, session), 0);
  EXPECT_EQ(f.ShowForm(message, nullptr), 0);
  EXPECT_EQ(f.Send(message), 0);
  // A handle of the other kind is no handle.
  EXPECT_EQ(f.Login(message, nullptr), 0);
  EXPECT_EQ(f.OpenOutbox(message, 1), nullptr);
  EXPECT_EQ(f.GetProfileName(message), nullptr);
  EXPECT_EQ(f.Send(session), 0);
  EXPECT_EQ(f.ShowForm(session, message), 0);
  EXPECT_EQ(f.MessageCreate(session, message, 2), 0);
  f.MessageDelete(session);  // refused: the session lives on
  EXPECT_EQ(f.OpenMessageStore(session, nullptr, 0x201), 0);
  f.SessionDelete(message);
  f.Logout(session);
  f.Logout(session);
  f.MessageDelete(message);
  f.SessionDelete(session);
  // Deleted handles are no handles either.
  EXPECT_EQ(f.Login(session, nullptr), 0);
  EXPECT_EQ(f.Send(message), 0);
  f.MessageDelete(message);
  f.SessionDelete(session);
}

TEST_F(MapiExLibrary, EveryExportCopesWithNullHandlesBeforeInit) {
  ExpectNullHandlesRefused(f_);
  ExpectEmptyObjectsRefused(f_);
  f_.Term();  // without Init: nothing to end
}

TEST_F(MapiExLibrary, WithWinesMapi32InitFollowsMapiInitializeAndLoginFails) {
  if (Mapi32Setting() != "wine") GTEST_SKIP() << "run with J6TEST_MAPI32=wine";
  // Wine's MAPI32 has Extended MAPI only when a mail client behind it has;
  // Wine 8's own answers MAPI_E_NOT_INITIALIZED. Ask it first, then expect
  // the wrapper to agree with it.
  HMODULE mapi32 = LoadLibraryA("MAPI32.DLL");
  ASSERT_NE(mapi32, nullptr);
  auto* initialize = reinterpret_cast<LPMAPIINITIALIZE>(
      reinterpret_cast<void*>(GetProcAddress(mapi32, "MAPIInitialize")));
  auto* uninitialize = reinterpret_cast<LPMAPIUNINITIALIZE>(
      reinterpret_cast<void*>(GetProcAddress(mapi32, "MAPIUninitialize")));
  ASSERT_NE(initialize, nullptr);
  ASSERT_NE(uninitialize, nullptr);
  MAPIINIT_0 init{MAPI_INIT_VERSION, 0};
  const HRESULT initialized = initialize(&init);
  if (SUCCEEDED(initialized)) uninitialize();
  const int expected = SUCCEEDED(initialized) ? 1 : 0;
  std::printf("Wine's MAPIInitialize: 0x%08lX\n", static_cast<unsigned long>(initialized));

  for (int round = 0; round < 2; ++round) {  // and again after Term
    SCOPED_TRACE(round);
    EXPECT_EQ(f_.Init(1), expected);
    ExpectNullHandlesRefused(f_);
    ExpectEmptyObjectsRefused(f_);
    void* session = f_.SessionNew();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(f_.Login(session, nullptr), 0) << "a default profile under Wine?";
    EXPECT_EQ(f_.Login(session, "No Such Profile"), 0);
    EXPECT_EQ(f_.OpenMessageStore(session, nullptr, 0x201), 0);
    EXPECT_EQ(f_.GetProfileName(session), nullptr);
    EXPECT_EQ(f_.OpenOutbox(session, 1), nullptr);
    void* message = f_.MessageNew();
    EXPECT_EQ(f_.MessageCreate(message, session, 2), 0);
    EXPECT_EQ(f_.Send(message), 0);
    f_.MessageDelete(message);
    f_.Logout(session);
    f_.Term();
    f_.SessionDelete(session);  // after Term, as the program does it
  }
  FreeLibrary(mapi32);
}

TEST_F(MapiExLibrary, WithoutMapi32InitFails) {
  if (Mapi32Setting() != "none") GTEST_SKIP() << "run with J6TEST_MAPI32=none";
  ASSERT_EQ(LoadLibraryA("MAPI32.DLL"), nullptr) << "this run was to have no MAPI32";
  EXPECT_EQ(f_.Init(1), 0);
  void* session = f_.SessionNew();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(f_.Login(session, nullptr), 0);
  f_.Term();
  f_.SessionDelete(session);
  ExpectNullHandlesRefused(f_);
}

}  // namespace
}  // namespace j6
