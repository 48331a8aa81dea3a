// Fetching the request's document from the J6 server, and the whole of the
// request's acquisition.
#pragma once

#include <string>
#include <string_view>

#include "run/area_record.h"

namespace j6 {

/// Settings, area file and document fetch, in that order. -1 when the area
/// file was not read, 0 when the document was not fetched or the request is
/// for the screen, 1 when the request can be mailed.
int AcquireRequest(std::string_view areaName);

/// Works out the document's paths, has the transfer library copy it, and
/// takes the message fields from the record. 1 when the request may be
/// mailed, 0 when the transfer library was not called, the document did not
/// arrive, or the request is for the screen.
int FetchDocument(std::string_view areaName);

/// The server-side path of the document: `spoolDir` (its trailing blanks
/// removed) with the record's document path after its last "..\" step, or
/// the record's document path alone when it has no such step.
std::string RemoteDocumentPath(std::string_view spoolDir, const AreaRecord& record);

}  // namespace j6
