// Fetching the request's document from the J6 server, and the whole of the
// request's acquisition.
#pragma once

#include <string>
#include <string_view>

#include "run/area_record.h"
#include "run/run_state.h"

namespace j6 {

/// How an acquisition ended; the numbers are those the host's tools know.
enum class Acquisition : int {
  kAreaFileNotRead = -1,
  kNotFetched = 0,  // the document did not come, or the request is for the screen
  kReady = 1,       // the request can be mailed
};

/// Settings, area file and document fetch, in that order, into `run`.
Acquisition AcquireRequest(RunState& run, std::string_view areaName);

/// Reads the settings the fetch takes into the run: "GL_DirSys" (the second
/// attachment's folder), "ServerName", and "SpoolDir" into the remote
/// document path, which the fetch then completes from the record. Between
/// the first two it takes the second attachment's name from the record, in
/// the order runs have always logged them. False when a folder setting is
/// too long to be used.
bool LoadDocumentSettings(RunState& run);

/// Works out the document's paths, has the transfer library copy it, and
/// takes the message fields from the record (which ReadAreaFile put in
/// `run`). kNotFetched when the transfer library was not called, the
/// document did not arrive, or the request is for the screen.
Acquisition FetchDocument(RunState& run, std::string_view areaName);

/// The server-side path of the document: `spoolDir` (its trailing blanks
/// removed) with the record's document path after its last "..\" step, or
/// the record's document path alone when it has no such step.
std::string RemoteDocumentPath(std::string_view spoolDir, const AreaRecord& record);

}  // namespace j6
