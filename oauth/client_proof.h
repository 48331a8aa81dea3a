// What proves the client to its token endpoint: a client assertion signed
// with CLIENT_CERT where it is set, else the stored client secret, never
// both; and a service account's grant, which is its own proof.
#pragma once

#include <string>

#include "oauth/client.h"
#include "oauth/client_secret.h"
#include "oauth/endpoint.h"

namespace j6::oauth {

/// Adds to `fields` what proves the client in a POST to `url`: with
/// CLIENT_CERT a client assertion, for TOKEN_URL alone (the certificate
/// logged: "OAuth: client certificate <thumbprint>, valid until <date>");
/// else the client secret as `need` says. False with the reason, before
/// anything is sent.
bool AddClientProof(const OAuthClient& client, ClientSecret need, const std::string& url,
                    FormFields* fields, std::string* error);

/// The form of a service account's grant (RFC 7523 2.1): its grant_type
/// and the assertion, signed with CLIENT_CERT, for USER.
bool ServiceAccountGrant(const OAuthClient& client, FormFields* fields, std::string* error);

}  // namespace j6::oauth
