"""The SMTP server of the end-to-end tests, on the loopback.

    smtp_server.py start STATE   makes a test authority and a certificate for
                                 localhost in STATE, starts the server in the
                                 background and returns once it listens
    smtp_server.py stop STATE    ends it

It listens on free ports, one per kind of server, and names them in
STATE/ports.txt ("kind port" lines):
  starttls  offers STARTTLS, and AUTH (PLAIN, LOGIN, XOAUTH2, OAUTHBEARER) after it
  pipelining the same, and PIPELINING: envelope.txt says whether the recipients
            and DATA came in the write of MAIL FROM ("pipelined: yes")
  cram      the same, and CRAM-MD5, which curl left to itself prefers
  plain     offers no STARTTLS, and AUTH in the clear (as a careless server)
  smtps     TLS from the first byte, and AUTH
  bearer    offers OAUTHBEARER alone
  slow      greets 3 s late and answers EHLO 3 s late
  tlsrefused offers STARTTLS and refuses it (454)
  silent    takes the connection and never says a word
  closed    a port nothing listens on
  proxy     an HTTP proxy that tunnels CONNECT, and answers GET /<name>.pac with
            a script naming itself; every request line goes to STATE/proxy.txt
  proxy407  the same, answering every request 407 (Negotiate, NTLM)
  proxy403  the same, refusing every CONNECT with 403
  proxybasic the same, asking for Basic sign-in (407) and tunnelling for
            PROXY_USER with PROXY_PASSWORD
  https     keeps a connection open for the next request, each request going to
            STATE/connections.txt with the connection's number;
            /oauth/token, /oauth/device, /oauth/authorize (below), Graph's mail
            under /graph/v1.0 (graph_api.py), Gmail's messages.send under
            /upload/gmail/v1 (gmail_api.py); any other
            path answers an HTTPS POST with the status it names (/status/400;
            else 200), ?late=N seconds late and, as JSON, the method and the body as they arrived:
            {"method": ..., "form": ...}

Every message taken is written to STATE/mail/<envelope sender>/<n>/:
envelope.txt (the envelope, whether TLS was on, who logged in, whether
AUTH was tried, the SIZE= of MAIL FROM, the EHLO name),
message.eml (the bytes as received), headers.txt (each header decoded,
UTF-8) and for each MIME part part-<i>.txt (its type, encoding and file
name) and part-<i>.bin (its content decoded). Recipients whose address
starts with "refused" are refused with 550. A sender starting "j6-late"
gets the reply to the end of the data LATE seconds late; a sender holding
"rcpt-sender" is refused at its first recipient, as Postfix refuses a sender
the login does not own ("Sender address rejected"), and one holding
"nopostmaster" has postmaster@ of its domain refused as unknown; "j6-close" has the
connection closed after the end of the data (the mail kept, no reply);
"j6-mute" gets no reply to its QUIT. The files in
STATE/shrink/<sender>/ are cut to half when that sender names a recipient.
The one login is USER with PASSWORD below. The server ends by itself after LIFETIME seconds.

OAuth: /oauth/token grants client_credentials (with CLIENT_SECRET, or a
client assertion of a client certificate: client_assertions.py), refresh_token
(one it issued or "seed-...", until revoked) and a service account's
jwt-bearer grant (recorded under its iss, with the claims). Every answer has a
Date header. Words in the
client_id: "rotate" (a new refresh token, the used one revoked), "short"
(access tokens of 120 s), "once" (no lifetime given: not to be reused), "big" (refresh tokens of 4 kB), "slow" (a second
late), "refused" (the SMTP server refuses its tokens, as Google does), "jwt" (access tokens
that are JWTs with the role Mail.Send),
"revoked" (an access token signs in once, then is revoked). Forms (of the
device endpoint too) go to STATE/oauth/<client_id>.txt, tokens issued to STATE/oauth/issued.txt.
For the one-time sign-in: /oauth/device gives device codes whose user signs
in after one authorization_pending and one slow_down poll, and refuses a poll
that comes before its interval; GET /oauth/authorize sends the browser back to
its loopback redirect_uri with a code tied to the PKCE challenge. Both grants
give a refresh token.
"""

import asyncio
import base64
import email
import email.policy
import email.utils
import hashlib
import json
import os
import shutil
import signal
import socket
import secrets
import ssl
import subprocess
import sys
import time
import urllib.parse

from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword

import client_assertions
import gmail_api
import graph_api

USER = "j6user"
PROXY_USER, PROXY_PASSWORD = "j6proxy", "Pr0xy pass"
PASSWORD = "P\u00e4ss-w\u00f6rd 7"
LIFETIME = 3600
LATE = 4
DATA_LIMIT = 64 << 20
SMTP.line_length_limit = 16384  # an XOAUTH2 line with a token of a few kB
CLIENT_SECRET = "Cl+ient&secret=7 \u00e8"

ACCESS = {}  # access token -> (client_id, expiry)
USED = set()  # access tokens of "revoked" clients that signed in
REFRESH, REVOKED = set(), set()
DEVICE = {}  # device code -> {client, polls, due, interval}
CODES = {}  # authorization code -> (client, redirect_uri, code_challenge)


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_certificates(state):
    """A test authority that signs the server's certificate for localhost,
    and another authority that signed nothing here."""
    for name in ("ca", "other-ca"):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                "-keyout", name + ".key", "-out", name + ".pem",
                "-subj", "/CN=J6Mailer test " + name,
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=state)
    with open(os.path.join(state, "server.ext"), "w") as ext:
        ext.write("basicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key",
            "-out", "server.csr", "-subj", "/CN=localhost", cwd=state)
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "server.ext",
            "-out", "server.pem", cwd=state)


async def sasl_response(server, args):
    if len(args) > 1:
        return base64.b64decode(args[1]).decode("latin-1")
    blob = await server.challenge_auth("")
    return "" if blob is MISSING else blob.decode("latin-1")


def sasl_fields(text):
    return dict(field.split("=", 1) for field in text.split("\x01") if "=" in field)


async def bearer(server, mechanism, user, auth):
    token = auth[7:] if auth.startswith("Bearer ") else ""
    client, expiry = ACCESS.get(token, ("", 0))
    revoked = "revoked" in client and token in USED
    if expiry > time.time() and "refused" not in client and not revoked:
        USED.add(token)
        return AuthResult(success=True, auth_data="%s %s" % (mechanism, user))
    await server.challenge_auth('{"status": "401", "schemes": "Bearer", '
                                '"scope": "https://mail.google.com/"}')
    return AuthResult(success=False, message="535 5.7.8 Username and Password not accepted")


class Recorder:
    def __init__(self, state):
        self.mail = os.path.join(state, "mail")
        self.state = state

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if server.kind == "pipelining":
            responses.insert(-1, "250-PIPELINING")
        return responses

    async def handle_AUTH(self, server, session, envelope, args):
        session.auth_tried = True
        return MISSING

    async def auth_XOAUTH2(self, server, args):
        # user=<mailbox>^Aauth=Bearer <token>^A^A
        fields = sasl_fields(await sasl_response(server, args))
        return await bearer(server, "XOAUTH2", fields.get("user", ""), fields.get("auth", ""))

    async def auth_OAUTHBEARER(self, server, args):
        # n,a=<mailbox>,^Ahost=...^Aport=...^Aauth=Bearer <token>^A^A (RFC 7628)
        head, _, rest = (await sasl_response(server, args)).partition("\x01")
        user = "".join(part[2:] for part in head.split(",") if part.startswith("a="))
        return await bearer(server, "OAUTHBEARER", user, sasl_fields(rest).get("auth", ""))

    async def auth_CRAM__MD5(self, server, args):  # offered by "cram" alone
        return AuthResult(success=False)

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if "refused-sender" in address:
            return "553 5.7.1 <%s>: Sender address rejected: not owned by user" % address
        envelope.mail_from, envelope.mail_options = address, mail_options
        # What came with MAIL FROM and waits to be read: its pipelined envelope.
        session.pipelined = b"RCPT TO" in bytes(server._reader._buffer)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        shrink = os.path.join(self.state, "shrink", envelope.mail_from)
        for name in os.listdir(shrink) if os.path.isdir(shrink) else []:
            os.truncate(os.path.join(shrink, name), os.path.getsize(os.path.join(shrink, name)) // 2)
        if "rcpt-sender" in envelope.mail_from:
            return ("553 5.7.1 <%s>: Sender address rejected: not owned by user %s"
                    % (envelope.mail_from, USER))
        if address.lower().startswith("refused") or (
                "nopostmaster" in envelope.mail_from and address.startswith("postmaster@")):
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_QUIT(self, server, session, envelope):
        if getattr(session, "mute", False):
            await asyncio.sleep(LIFETIME)
        return MISSING

    async def handle_DATA(self, server, session, envelope):
        if envelope.mail_from.startswith("j6-late"):
            await asyncio.sleep(LATE)
        session.mute = envelope.mail_from.startswith("j6-mute")
        folder = os.path.join(self.mail, envelope.mail_from)
        os.makedirs(folder, exist_ok=True)
        number = len(os.listdir(folder)) + 1
        target = os.path.join(folder, str(number))
        work = target + ".tmp"
        os.makedirs(work)
        with open(os.path.join(work, "envelope.txt"), "w", encoding="utf-8") as out:
            out.write("from: %s\n" % envelope.mail_from)
            for recipient in envelope.rcpt_tos:
                out.write("to: %s\n" % recipient)
            # STARTTLS or TLS from the first byte alike.
            tls = server.transport.get_extra_info("ssl_object") is not None
            out.write("tls: %s\n" % ("yes" if tls else "no"))
            out.write("login: %s\n" % (session.auth_data or ""))
            out.write("auth: %s\n" % ("tried" if getattr(session, "auth_tried", False) else "no"))
            sizes = [o[5:] for o in envelope.mail_options if o.startswith("SIZE=")]
            out.write("size: %s\n" % (sizes[0] if sizes else "none"))
            out.write("ehlo: %s\n" % session.host_name)
            if server.kind == "pipelining":
                out.write("pipelined: %s\n" % ("yes" if session.pipelined else "no"))
        with open(os.path.join(work, "message.eml"), "wb") as out:
            out.write(envelope.original_content)
        record_message(envelope.original_content, work)
        # The test reads the folder only once it is whole.
        os.rename(work, target)
        if envelope.mail_from.startswith("j6-close"):
            server.transport.close()
        return "250 Message accepted for delivery"


def record_message(content, folder):
    message = email.message_from_bytes(content, policy=email.policy.default)
    with open(os.path.join(folder, "headers.txt"), "w", encoding="utf-8") as out:
        for name, value in message.items():
            out.write("%s: %s\n" % (name, str(value).replace("\n", " ")))
    parts = list(message.iter_parts()) if message.is_multipart() else [message]
    for index, part in enumerate(parts, 1):
        with open(os.path.join(folder, "part-%d.txt" % index), "w", encoding="utf-8") as out:
            out.write("type: %s\n" % part.get("Content-Type", ""))
            out.write("encoding: %s\n" % part.get("Content-Transfer-Encoding", ""))
            out.write("filename: %s\n" % (part.get_filename() or ""))
        with open(os.path.join(folder, "part-%d.bin" % index), "wb") as out:
            out.write(part.get_payload(decode=True) or b"")


class Misbehaving(SMTP):
    """"slow" greets and answers EHLO 3 s late; "tlsrefused" refuses STARTTLS."""

    def __init__(self, kind, *args, **kwargs):
        self.kind, self.late = kind, kind == "slow"
        super().__init__(*args, **kwargs)

    async def push(self, status):
        if self.late and str(status).startswith("220 "):
            self.late = False
            await asyncio.sleep(3)
        return await super().push(status)

    async def smtp_EHLO(self, hostname):
        await asyncio.sleep(3 if self.kind == "slow" else 0)
        return await super().smtp_EHLO(hostname)

    async def smtp_STARTTLS(self, arg):
        if self.kind == "tlsrefused":
            return await self.push("454 4.7.0 TLS not available due to temporary reason")
        return await super().smtp_STARTTLS(arg)


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login == USER.encode()
          and auth_data.password == PASSWORD.encode("utf-8"))
    # Not "handled": the server itself answers a refusal with 535.
    return AuthResult(success=ok, handled=False, auth_data=USER if ok else None)


async def silent(reader, writer):
    # Holds the connection without a word until the client gives up.
    await reader.read()
    writer.close()


def record(state, name, line):
    with open(os.path.join(state, "oauth", name), "a") as out:
        out.write(line + "\n")
    return line


async def token_endpoint(state, form):
    grant, used = form.get("grant_type"), form.get("refresh_token", "")
    refusal, granted = None, None
    if grant == client_assertions.GRANT:
        refusal, granted = client_assertions.check_grant(state, form, TOKEN_URL[0])
    parsed = client_assertions.read(form.get("assertion", ""))
    client = form.get("client_id", parsed[1].get("iss", "") if parsed else "")
    record(state, client.replace("/", "_") + ".txt", json.dumps(dict(form, claims=granted)))
    await asyncio.sleep(1 if "slow" in client else 0)
    answer = {"token_type": "Bearer", "expires_in": 120 if "short" in client else 3600}
    if "client_assertion" in form:
        refusal = client_assertions.check_client(state, form, TOKEN_URL[0])
    elif grant == "client_credentials" and form.get("client_secret") != CLIENT_SECRET:
        refusal = 401, {"error": "invalid_client", "error_description": "AADSTS7000215: bad secret"}
    if refusal:  # dated by the clock it was judged by
        return refusal + ([("Date", email.utils.formatdate(
            time.time() + client_assertions.SKEW * ("skewed" in client), usegmt=True))],)
    if grant == "refresh_token" and (used in REVOKED or not (used in REFRESH or used[:5] == "seed-")):
        return 400, {"error": "invalid_grant", "error_description": "AADSTS70000: The provided "
                     "value for the 'refresh_token' is not valid.\r\nTrace ID: 7\r\nCorrelation ID: 9"}
    if grant in SIGN_IN_GRANTS:
        refusal = SIGN_IN_GRANTS[grant](client, form)
        if refusal:
            return refusal
        answer["refresh_token"] = record(state, "issued.txt", "rt-" + secrets.token_hex(20))
        REFRESH.add(answer["refresh_token"])
    if grant == "refresh_token" and "rotate" in client:
        REVOKED.add(used)
        answer["refresh_token"] = record(state, "issued.txt",
                                         "rt-" + secrets.token_hex(2000 if "big" in client else 20))
        REFRESH.add(answer["refresh_token"])
    token = "at-" + secrets.token_hex(24)
    if "jwt" in client:  # as Microsoft's: a JWT naming the app's roles
        claims = base64.urlsafe_b64encode(b'{"roles":["Mail.Send"]}').rstrip(b"=").decode()
        token = "eyJhbGciOiJub25lIn0." + claims + "." + token
    answer["access_token"] = record(state, "issued.txt", token)
    ACCESS[answer["access_token"]] = (client, time.time() + answer["expires_in"])
    if "once" in client:
        del answer["expires_in"]
    return 200, answer


async def device_authorization(state, form):
    """RFC 8628 3.2, with an interval of 1 s."""
    record(state, form.get("client_id", "").replace("/", "_") + ".txt", json.dumps(form))
    code = "dc-" + secrets.token_hex(16)
    DEVICE[code] = {"client": form.get("client_id"), "polls": 0, "due": time.time() + 1,
                    "interval": 1}
    return 200, {"device_code": code, "user_code": "J6-" + secrets.token_hex(2).upper(),
                 "verification_uri": "https://localhost/oauth/activate", "expires_in": 600,
                 "interval": 1}


def device_grant(client, form):
    device = DEVICE.get(form.get("device_code"))
    if device is None or device["client"] != client:
        return 400, {"error": "invalid_grant"}
    now = time.time()
    if now < device["due"] - 0.1:
        return 400, {"error": "invalid_request", "error_description": "polled too soon"}
    device["polls"] += 1
    device["interval"] += 5 if device["polls"] == 2 else 0
    device["due"] = now + device["interval"]
    if device["polls"] <= 2:
        return 400, {"error": ["authorization_pending", "slow_down"][device["polls"] - 1]}
    del DEVICE[form["device_code"]]
    return None


def code_grant(client, form):
    digest = hashlib.sha256(form.get("code_verifier", "").encode()).digest()
    challenge = base64.urlsafe_b64encode(digest).rstrip(b"=").decode()
    if CODES.pop(form.get("code", ""), None) != (client, form.get("redirect_uri"), challenge):
        return 400, {"error": "invalid_grant", "error_description": "code, redirect or verifier"}
    return None


SIGN_IN_GRANTS = {"urn:ietf:params:oauth:grant-type:device_code": device_grant,
                  "authorization_code": code_grant}


async def authorize(state, query):
    """The user signs in at once; the browser is sent back with a code."""
    redirect, code = query.get("redirect_uri", ""), "ac-" + secrets.token_hex(8)
    if (query.get("response_type") != "code" or query.get("code_challenge_method") != "S256"
            or not query.get("state") or not redirect.startswith("http://127.0.0.1:")):
        return 400, {"error": "invalid_request"}
    CODES[code] = (query.get("client_id"), redirect, query.get("code_challenge"))
    back = urllib.parse.urlencode({"code": code, "state": query["state"]})
    return 302, {}, [("Location", redirect + "?" + back)]


# Path -> coroutine(state, form) giving the status, the JSON answer and
# perhaps header lines; a GET's form is its query.
ROUTES = {"/oauth/token": token_endpoint, "/oauth/device": device_authorization,
          "/oauth/authorize": authorize}


CONNECTIONS = [0]  # HTTPS connections taken so far
TOKEN_URL = [""]  # the token endpoint's URL, an assertion's audience


async def https(state, reader, writer):
    """Requests on one connection, kept open as HTTP/1.1 keeps it until the
    client closes it; each request goes to STATE/connections.txt as
    "<connection> <method> <path>"."""
    CONNECTIONS[0] += 1
    connection = CONNECTIONS[0]
    lost = False
    try:
        while (answered := await https_request(state, connection, reader, writer)):
            pass
        lost = answered is None
    finally:
        # An answer lost as a network loses it: the connection reset, not a
        # TLS close_notify, which Wine's Schannel does not always see.
        if lost:
            writer.transport.abort()
        else:
            writer.close()


async def https_request(state, connection, reader, writer):
    """Answers one request; False when the connection is to end, None when
    the request was taken and its answer is to be lost."""
    try:
        head = (await reader.readuntil(b"\r\n\r\n")).decode("latin-1").split("\r\n")
        length = [int(line.split(":", 1)[1]) for line in head
                  if line.lower().startswith("content-length:")]
        body = await reader.readexactly(length[0] if length else 0)
    except (asyncio.IncompleteReadError, asyncio.LimitOverrunError, ValueError, ConnectionError):
        return False
    method, path = head[0].split(" ")[:2]
    path, _, query = path.partition("?")
    with open(os.path.join(state, "connections.txt"), "a") as out:
        out.write("%d %s %s\n" % (connection, method, path))
    headers = [[]]
    if path.startswith(("/graph/", "/upload/")):
        route = gmail_api.gmail if path.startswith("/upload/gmail/") else graph_api.graph
        fields = dict((name.strip().lower(), value.strip()) for name, _, value in
                      (line.partition(":") for line in head[1:] if line))
        fields[":query"] = query
        port = writer.get_extra_info("sockname")[1]
        # A bench's relay in front of the server names its own port.
        if os.path.exists(os.path.join(state, "upload-port")):
            with open(os.path.join(state, "upload-port")) as named:
                port = int(named.read())
        done = await route(state, ACCESS, USED, method, path, fields, body, port, record_message)
        if done is None:  # the request taken, its answer lost
            return None
        status, answer, *headers = done
    elif path in ROUTES:
        text = query if method == "GET" else body.decode("ascii")
        form = dict(urllib.parse.parse_qsl(text, keep_blank_values=True))
        status, answer, *headers = await ROUTES[path](state, form) + ([],)
    else:
        status = int(path[8:]) if path.startswith("/status/") else 200
        await asyncio.sleep(int(dict(urllib.parse.parse_qsl(query)).get("late", 0)))
        answer = {"method": method, "form": body.decode("latin-1")}
    answer = json.dumps(answer).encode() if answer is not None else b""
    if not any(name == "Date" for name, _ in headers[0]):
        headers[0] = list(headers[0]) + [("Date", email.utils.formatdate(usegmt=True))]
    extra = "".join("%s: %s\r\n" % header for header in headers[0]).encode()
    writer.write(b"HTTP/1.1 %d J6\r\nContent-Type: application/json\r\n%s"
                 b"Content-Length: %d\r\n\r\n%s" % (status, extra, len(answer), answer))
    await writer.drain()
    return True


async def pipe(reader, writer):
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        writer.close()


async def proxy(state, mode, reader, writer):
    """An HTTP proxy that tunnels CONNECT, and records what it was asked; its
    mode: "" tunnels, "407" and "403" refuse, "basic" asks for a login."""
    try:
        head = (await reader.readuntil(b"\r\n\r\n")).decode("latin-1").split("\r\n")
    except (asyncio.IncompleteReadError, asyncio.LimitOverrunError):
        writer.close()
        return
    method, target = head[0].split(" ")[:2]
    with open(os.path.join(state, "proxy.txt"), "a") as out:
        out.write("%s %s\n" % (method, target))
    host, _, port = target.rpartition(":")
    login = "Basic " + base64.b64encode(("%s:%s" % (PROXY_USER, PROXY_PASSWORD)).encode()).decode()
    refuse = mode in ("407", "403") or (mode == "basic" and not any(
        line.lower() == "proxy-authorization: " + login.lower() for line in head))
    if method == "GET" and target.endswith(".pac"):  # a script that names this proxy
        script = ('function FindProxyForURL(url, host) { return "PROXY 127.0.0.1:%d"; }'
                  % writer.get_extra_info("sockname")[1]).encode()
        writer.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n%s" % (len(script), script))
    elif mode == "403" and method == "CONNECT":
        writer.write(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
    elif refuse or method != "CONNECT" or not port.isdigit():
        asks = (b"Proxy-Authenticate: Basic realm=\"j6\"\r\n" if mode == "basic" else
                b"Proxy-Authenticate: Negotiate\r\nProxy-Authenticate: NTLM\r\n")
        writer.write(b"HTTP/1.1 407 Proxy Authentication Required\r\n" + asks +
                     b"Content-Length: 0\r\nConnection: close\r\n\r\n")
    if method != "CONNECT" or refuse or not port.isdigit():
        await writer.drain()
        writer.close()
        return
    upstream_reader, upstream_writer = await asyncio.open_connection(host, int(port))
    writer.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
    await writer.drain()
    await asyncio.gather(pipe(reader, upstream_writer), pipe(upstream_reader, writer))


def free_closed_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


async def serve(state):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(os.path.join(state, "server.pem"), os.path.join(state, "server.key"))
    recorder = Recorder(state)

    def smtp(tls, exclude=("CRAM-MD5",), kind=""):
        return lambda: Misbehaving(kind, recorder, hostname="localhost", tls_context=tls,
                                   authenticator=authenticate, data_size_limit=DATA_LIMIT,
                                   auth_require_tls=tls is not None,
                                   auth_exclude_mechanism=exclude)

    loop = asyncio.get_running_loop()
    servers = {
        "starttls": await loop.create_server(smtp(context), "127.0.0.1", 0),
        "pipelining": await loop.create_server(smtp(context, kind="pipelining"), "127.0.0.1", 0),
        "cram": await loop.create_server(smtp(context, ()), "127.0.0.1", 0),
        "plain": await loop.create_server(smtp(None), "127.0.0.1", 0),
        "bearer": await loop.create_server(
            smtp(context, ("CRAM-MD5", "XOAUTH2", "PLAIN", "LOGIN")), "127.0.0.1", 0),
        "slow": await loop.create_server(smtp(context, kind="slow"), "127.0.0.1", 0),
        "tlsrefused": await loop.create_server(smtp(context, kind="tlsrefused"), "127.0.0.1", 0),
        "smtps": await loop.create_server(smtp(None), "127.0.0.1", 0, ssl=context),
        "silent": await asyncio.start_server(silent, "127.0.0.1", 0),
        "https": await asyncio.start_server(lambda r, w: https(state, r, w), "127.0.0.1", 0,
                                            ssl=context),
        "proxy": await asyncio.start_server(lambda r, w: proxy(state, "", r, w),
                                            "127.0.0.1", 0),
        "proxy407": await asyncio.start_server(lambda r, w: proxy(state, "407", r, w),
                                               "127.0.0.1", 0),
        "proxy403": await asyncio.start_server(lambda r, w: proxy(state, "403", r, w),
                                               "127.0.0.1", 0),
        "proxybasic": await asyncio.start_server(lambda r, w: proxy(state, "basic", r, w),
                                                 "127.0.0.1", 0),
    }
    ports = {kind: server.sockets[0].getsockname()[1] for kind, server in servers.items()}
    TOKEN_URL[0] = "https://localhost:%d/oauth/token" % ports["https"]
    ports["closed"] = free_closed_port()
    with open(os.path.join(state, "ports.tmp"), "w") as out:
        for kind, port in ports.items():
            out.write("%s %d\n" % (kind, port))
    os.rename(os.path.join(state, "ports.tmp"), os.path.join(state, "ports.txt"))
    await asyncio.sleep(LIFETIME)


def start(state):
    os.makedirs(state, exist_ok=True)
    stop(state)
    for name in ("ports.txt", "server.pid", "proxy.txt", "connections.txt"):
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))
    for folder in ("mail", "oauth", "graph"):
        shutil.rmtree(os.path.join(state, folder), ignore_errors=True)
    os.makedirs(os.path.join(state, "oauth"))
    make_certificates(state)
    client_assertions.make(state)
    child = os.fork()
    if child == 0:
        os.setsid()
        null = os.open(os.devnull, os.O_RDWR)
        log = os.open(os.path.join(state, "server.log"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
        os.dup2(null, 0)
        os.dup2(log, 1)
        os.dup2(log, 2)
        try:
            asyncio.run(serve(state))
        finally:
            os._exit(0)
    with open(os.path.join(state, "server.pid"), "w") as out:
        out.write("%d\n" % child)
    for _ in range(300):
        if os.path.exists(os.path.join(state, "ports.txt")):
            return 0
        if os.waitpid(child, os.WNOHANG)[0] != 0:
            break
        time.sleep(0.1)
    sys.stderr.write("the SMTP test server did not start; see %s/server.log\n" % state)
    return 1


def stop(state):
    try:
        with open(os.path.join(state, "server.pid")) as pid_file:
            pid = int(pid_file.read())
        # Only the server this file names, never a process that took its id.
        with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
            if b"smtp_server.py" in cmdline.read():
                os.kill(pid, signal.SIGTERM)
    except (OSError, ValueError):
        pass
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
