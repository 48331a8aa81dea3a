// The user's web browser, for a sign-in that happens on the provider's pages.
#pragma once

#include <string>

namespace j6::platform {

/// Opens `url` (https) with the system's default handler and returns at once,
/// never waiting for the browser. Windows: ShellExecuteW. Elsewhere: each
/// command of $BROWSER in turn (commands separated by ":", words by blanks; a
/// "%s" in a word is the URL, else the URL is added as the last word), else
/// xdg-open. False, with the reason in `*error`, when none could be started,
/// or the one started ended within a second with a failure (a launcher that
/// finds no browser): only then is nothing known to show the page.
bool OpenInBrowser(const std::string& url, std::string* error);

}  // namespace j6::platform
