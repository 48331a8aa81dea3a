// The run driver: carries one request from the area name to the mail client.
#pragma once

#include <string_view>

#include "run/run_state.h"

namespace j6 {

/// Handles the request named by `areaName`: acquires it, composes the mail
/// and hands it to the sender the configuration chose. Everything it learns
/// goes into `run`, the run log and the boxes it shows.
void RunMailer(RunState& run, std::string_view areaName);

/// The box of a request that could not be acquired.
void ShowTransferError();

}  // namespace j6
