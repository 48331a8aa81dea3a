"""Client certificates, and their assertions checked as Microsoft and Google
check them. make(state) writes client*.pem (a certificate and its RSA key,
mode 600): client (400 days left), -soon (19 days 23 hours), -expired,
-future (valid from tomorrow), -nokey (no key), -shared (mode 644); and
client-certs.txt, "<file> <thumbprint> <end as J6Mailer writes it>" each.
Registered: these, and each DER file in STATE/registered/. Assertions:
check_client (PS256 with x5t#S256 or RS256 with x5t, aud the token URL, iss =
sub = client_id, a new jti, 10 minutes at most) and check_grant (a service
account's: RS256, sub, scope, an hour at most), 5 minutes of skew allowed; a
name with "skewed" is judged SKEW ahead, "nodelegation" is not delegated.
"""

import base64
import datetime
import hashlib
import json
import os
import time

from cryptography import x509
from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.x509.oid import NameOID

SKEW = 600
DERS = {}  # SHA-1 thumbprint (hex) -> the registered certificate
SEEN = set()  # jti values taken
GRANT = "urn:ietf:params:oauth:grant-type:jwt-bearer"


def make(state):
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    now = datetime.datetime.utcnow().replace(microsecond=0)
    day = datetime.timedelta(days=1)
    files = {"client.pem": (-1, 400), "client-soon.pem": (-1, 20 - 1 / 24),
             "client-expired.pem": (-30, -1), "client-future.pem": (1, 30),
             "client-nokey.pem": (-1, 400), "client-shared.pem": (-1, 400)}
    with open(os.path.join(state, "client-certs.txt"), "w") as listing:
        for name, (begins, ends) in files.items():
            subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "J6Mailer test " + name[:-4])])
            made = (x509.CertificateBuilder().subject_name(subject).issuer_name(subject)
                    .public_key(key.public_key()).serial_number(x509.random_serial_number())
                    .not_valid_before(now + begins * day).not_valid_after(now + ends * day)
                    .sign(key, hashes.SHA256()))
            der = made.public_bytes(serialization.Encoding.DER)
            DERS[hashlib.sha1(der).hexdigest().upper()] = der
            pem = made.public_bytes(serialization.Encoding.PEM)
            if name != "client-nokey.pem":
                pem += key.private_bytes(serialization.Encoding.PEM,
                                         serialization.PrivateFormat.PKCS8,
                                         serialization.NoEncryption())
            path = os.path.join(state, name)
            with open(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as out:
                out.write(pem)
            os.chmod(path, 0o644 if name == "client-shared.pem" else 0o600)
            listing.write("%s %s %s\n" % (name, hashlib.sha1(der).hexdigest().upper(),
                                          (now + ends * day).strftime("%Y-%m-%d %H:%M UTC")))


def registered(state):
    folder = os.path.join(state, "registered")
    for name in os.listdir(folder) if os.path.isdir(folder) else []:
        with open(os.path.join(folder, name), "rb") as file:
            der = file.read()
        DERS[hashlib.sha1(der).hexdigest().upper()] = der
    return {thumbprint: x509.load_der_x509_certificate(der).public_key()
            for thumbprint, der in DERS.items()}


def unpadded(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


def read(jwt):
    """The header, the claims, the signed bytes and the signature; None for no JWT."""
    try:
        parts = jwt.split(".")
        return (json.loads(unpadded(parts[0])), json.loads(unpadded(parts[1])),
                (parts[0] + "." + parts[1]).encode(), unpadded(parts[2]))
    except (ValueError, IndexError):
        return None


def signed_by(key, header, signed, signature):
    schemes = {"PS256": padding.PSS(padding.MGF1(hashes.SHA256()), 32), "RS256": padding.PKCS1v15()}
    try:
        key.verify(signature, signed, schemes[header.get("alg")], hashes.SHA256())
        return True
    except (InvalidSignature, KeyError, AttributeError):  # AttributeError: no key
        return False


def timely(claims, name, longest):
    now = time.time() + (SKEW if "skewed" in name else 0)
    iat, exp = claims.get("iat", 0), claims.get("exp", 0)
    return iat - 300 <= now < exp and claims.get("nbf", iat) - 300 <= now and exp - iat <= longest


def refusal(status, error, description):
    return status, {"error": error, "error_description": description}


def check_client(state, form, token_url):
    """None when the client assertion proves the client, else the refusal."""
    keys, client, parsed = registered(state), form.get("client_id", ""), read(form["client_assertion"])
    header, claims, signed, signature = parsed or ({}, {}, b"", b"")
    thumbprint = next((t for t, der in DERS.items() if header.get("alg") == "PS256" and
                       hashlib.sha256(der).digest() == unpadded(header.get("x5t#S256", ""))),
                      unpadded(header.get("x5t", "")).hex().upper() if header.get("alg") == "RS256"
                      else "")
    if not signed_by(keys.get(thumbprint), header, signed, signature) or form.get(
            "client_assertion_type") != "urn:ietf:params:oauth:client-assertion-type:jwt-bearer":
        return refusal(401, "invalid_client", "AADSTS700027: Client assertion failed signature "
                       "validation, or its certificate is not registered on the application.")
    if claims.get("aud") != token_url or not claims.get("iss") == claims.get("sub") == client:
        return refusal(401, "invalid_client", "AADSTS50013: Assertion audience, issuer or subject")
    if not timely(claims, client, 600):
        return refusal(401, "invalid_client",
                       "AADSTS700024: Client assertion is not within its valid time range.")
    if not claims.get("jti") or claims["jti"] in SEEN:
        return refusal(401, "invalid_client", "AADSTS7000215: the jti was used before")
    SEEN.add(claims["jti"])
    return None


def check_grant(state, form, token_url):
    """(None, claims) when a service account's grant holds, else (the refusal, None)."""
    keys, parsed = registered(state), read(form.get("assertion", ""))
    header, claims, signed, signature = parsed or ({}, {}, b"", b"")
    issuer = claims.get("iss", "")
    if header != {"alg": "RS256", "typ": "JWT"} or not any(
            signed_by(key, header, signed, signature) for key in keys.values()):
        return refusal(400, "invalid_grant", "Invalid JWT Signature."), None
    if not timely(claims, issuer, 3600):
        return refusal(400, "invalid_grant", "Invalid JWT: Token must be a short-lived token (60 "
                       "minutes) and in a reasonable timeframe."), None
    if claims.get("aud") != token_url or not claims.get("sub") or not claims.get("scope"):
        return refusal(400, "invalid_grant", "Invalid JWT: aud, sub or scope."), None
    if "nodelegation" in issuer:
        return refusal(401, "unauthorized_client", "Client is unauthorized to retrieve access "
                       "tokens using this method."), None
    return None, claims
