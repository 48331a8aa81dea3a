#include "dispatch/mapiex_classes.h"

namespace j6 {

namespace {

template <typename Function>
bool Find(const platform::DynamicLibrary& library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(library.Symbol(name));
  return *function != nullptr;
}

}  // namespace

bool LoadMapiEx(platform::DynamicLibrary* library, MapiExFunctions* f) {
  if (!library->Load("MAPIEx")) return false;
  const platform::DynamicLibrary& l = *library;
  return Find(l, "MAPIEx_SessionNew", &f->SessionNew) &&
         Find(l, "MAPIEx_SessionDelete", &f->SessionDelete) && Find(l, "MAPIEx_Init", &f->Init) &&
         Find(l, "MAPIEx_Term", &f->Term) && Find(l, "MAPIEx_Login", &f->Login) &&
         Find(l, "MAPIEx_OpenMessageStore", &f->OpenMessageStore) &&
         Find(l, "MAPIEx_GetProfileName", &f->GetProfileName) &&
         Find(l, "MAPIEx_OpenOutbox", &f->OpenOutbox) && Find(l, "MAPIEx_Logout", &f->Logout) &&
         Find(l, "MAPIEx_MessageNew", &f->MessageNew) &&
         Find(l, "MAPIEx_MessageDelete", &f->MessageDelete) &&
         Find(l, "MAPIEx_MessageCreate", &f->MessageCreate) &&
         Find(l, "MAPIEx_SetSenderName", &f->SetSenderName) &&
         Find(l, "MAPIEx_SetSenderEmail", &f->SetSenderEmail) &&
         Find(l, "MAPIEx_AddRecipient", &f->AddRecipient) &&
         Find(l, "MAPIEx_SetSubject", &f->SetSubject) && Find(l, "MAPIEx_SetBody", &f->SetBody) &&
         Find(l, "MAPIEx_AddAttachment", &f->AddAttachment) &&
         Find(l, "MAPIEx_ShowForm", &f->ShowForm) && Find(l, "MAPIEx_Send", &f->Send);
}

}  // namespace j6
