// A MAPI32.DLL with Extended MAPI for the wrapper's tests: one profile
// ("Fake Profile") whose identity is Mario Bianchi
// <mario.bianchi@example.com>, two message stores ("Archive", and "Mailbox",
// the default, whose outbox and sent items folders have the entry
// identifiers OUTBOX and SENTITEMS), and an address book that knows "Anna
// Rossi" and "Marco Rossi" (so "Rossi" is ambiguous). It plays what MAPI's
// documentation says of each call it has: OpenMsgStore refuses flags it does
// not document; ResolveName without a dialog fails for a name it cannot
// settle; a saved message is in the outbox (MESSAGE1, MESSAGE2, ...) until
// deleted; a submitted one waits there for the spooler, which sends it
// ("spooler.Sent") only when the store is logged off with LOGOFF_PURGE, and
// a store released with mail still queued leaves it unsent
// ("spooler.Unsent"); ShowForm returns S_OK whether the user sent the
// message or only closed the form. It writes every call it gets, with what
// it was handed, as one line of a journal. Its buffers follow MAPI's rules
// and are counted (FakeBuffers), as are its objects, so that a test sees
// whatever the wrapper leaves behind.
//
// Besides MAPI's functions it exports these, for the tests.
#pragma once

#include <cstdio>
#include <string>

/// How the journal shows stream data longer than 64 bytes: FNV-1a, in hex.
inline std::string FakeMapiDigest(const std::string& data) {
  unsigned long hash = 2166136261ul;
  for (unsigned char c : data) hash = ((hash ^ c) * 16777619ul) & 0xFFFFFFFFul;
  char text[16];
  std::snprintf(text, sizeof text, "fnv %08lx", hash);
  return text;
}

extern "C" {
/// Empties the journal and forgets what the test scripted.
typedef void (*FakeMapiResetFunction)(void);
/// Scripts a call's result: the call's journal name (MAPILogonEx,
/// store.OpenEntry, message.SetProps, ...; "store.OpenEntry MESSAGE1" for
/// that entry alone) and an HRESULT in hex. Further settings: "sentitems"
/// "none" leaves the store without a sent items folder; "SetProps.fails" and
/// a property name makes SetProps fail when handed it; "form.user" "sends"
/// has the user send the message in the form, "sends, spooled" also has the
/// mail client's spooler send it at once (otherwise the user closes the form
/// without sending); "identity.smtp", "identity.email", "identity.type" set
/// the identity's PR_SMTP_ADDRESS, PR_EMAIL_ADDRESS and PR_ADDRTYPE ("none":
/// it has none).
typedef void (*FakeMapiScriptFunction)(const char* name, const char* value);
/// The journal, one call a line; valid until the next call of this.
typedef const char* (*FakeMapiJournalFunction)(void);
/// Objects alive, buffers allocated and not freed, and buffer calls against
/// MAPI's rules, since the DLL was loaded.
typedef int (*FakeMapiCountFunction)(void);
}

#define J6_FAKE_MAPI_RESET "FakeMapi_Reset"
#define J6_FAKE_MAPI_SCRIPT "FakeMapi_Script"
#define J6_FAKE_MAPI_JOURNAL "FakeMapi_Journal"
#define J6_FAKE_MAPI_LIVE_OBJECTS "FakeMapi_LiveObjects"
#define J6_FAKE_MAPI_LIVE_BUFFERS "FakeMapi_LiveBuffers"
#define J6_FAKE_MAPI_BREACHES "FakeMapi_Breaches"
