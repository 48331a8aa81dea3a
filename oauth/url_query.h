// The query of an address, both ways: the authorization request the browser
// is sent with, and the redirect it comes back with.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace j6::oauth {

/// `url` with the fields added to its query, each name and value
/// percent-encoded (all but RFC 3986's unreserved characters).
std::string WithQuery(const std::string& url,
                      const std::vector<std::pair<std::string, std::string>>& fields);

/// The query of a request target ("/?code=a%2Fb&state=x") decoded as a form:
/// "+" is a blank, %XX its byte. The first of a repeated name counts.
std::map<std::string, std::string> QueryOf(std::string_view target);

/// The path of a request target, without its query.
std::string_view PathOf(std::string_view target);

}  // namespace j6::oauth
