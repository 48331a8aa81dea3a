// The run driver: carries one request from the area name to the mail client.
#pragma once

#include <string_view>

namespace j6 {

/// Handles the request named by `areaName`. Everything it learns goes into
/// the run state, the run log and the boxes it shows.
void RunMailer(std::string_view areaName);

/// The box of a request that could not be acquired.
void ShowTransferError();

}  // namespace j6
