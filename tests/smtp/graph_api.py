"""Microsoft Graph's mail side for the end-to-end tests, as its documentation
describes it, under https://localhost:<https port>/graph/v1.0:

  POST /users/{user}/sendMail           text/plain base64 of a MIME message,
                                        at most 4 MB: 202, no body
  POST /users/{user}/messages           the same: a draft, 201 {"id"}
  POST .../messages/{id}/attachments    a fileAttachment (contentBytes): 201
  POST .../attachments/createUploadSession   an AttachmentItem: 201 {"uploadUrl",
                                        "nextExpectedRanges"}
  PUT  {uploadUrl}                      a Content-Range of at most 4 MiB, with no
                                        Authorization (401 with one): 200
                                        {"nextExpectedRanges"} until the last, 201
  GET  {uploadUrl}                      200 {"nextExpectedRanges"}
  DELETE {uploadUrl}                    204
  GET  /users/{user}/messages?$filter=internetMessageId eq '<id>'
                                        {"value": [{"id"}]}: the drafts of that Message-ID
  POST .../messages/{id}/send           202; the draft goes to Sent Items
  DELETE .../messages/{id}              204

Every request but the upload needs "Authorization: Bearer <token>" of a
token the token endpoint issued (401 InvalidAuthenticationToken else; a
token of a "revoked" client is taken once).
Errors are Graph's JSON {"error": {"code", "message"}}. A mail sent is kept
as the SMTP server keeps one, in STATE/mail/<From address>/<n>/, with
envelope.txt saying "graph: sendMail" or "graph: draft" and the user; a
draft's attachments follow its own parts. STATE/graph/<user>.txt logs
"created", "deleted" and "sent" with each draft's id. An empty sendMail is
refused 400, and so is a mail without recipients (ErrorInvalidRecipients: the
check program's probe); a version other than v1.0 or beta in the path is
refused 400 BadRequest. An attachment's answer repeats its contentBytes, as
Microsoft's example does; one of 3,000,000 bytes or more is refused 413.
Words in the user: "busy" (each kind of request answered 429 with
Retry-After: 1 the first time), "datewait" (the same, the Retry-After a date
2 s ahead), "longwait" (429 with Retry-After: 400, always), "throttled" (429
with Retry-After: 1, always), "denied" (403 ErrorAccessDenied), "lost"
(sendMail and send: the mail kept, then the connection closed without an
answer), "attfail" (attachments refused 400), "broken" (sendMail answered
500), "draft500" and "draftgone" (the first draft made, then answered 500 or
not at all), "piece500" and "piecegone" (the first piece of the first upload
session kept, then answered 500 or not at all), "noget" (GET on an upload URL
refused 405), "stuck" (an upload session that asks for its first range
again), "pascal" (NextExpectedRanges), "minsize" (an upload session for a
file under 3,000,000 bytes refused as too small).
"""

import base64
import email
import email.utils
import email.policy
import json
import os
import secrets
import time

SEND_LIMIT = 4 * 1024 * 1024
CHUNK_LIMIT = 4 * 1024 * 1024
DRAFTS = {}  # id -> {"user", "mime", "attachments": [(name, type, bytes)]}
UPLOADS = {}  # token -> {"draft", "name", "type", "size", "data"}
BUSY = set()  # (user, kind) answered 429 once
ONCE = set()  # (user, word) faults played once
INLINE_LIMIT = 3000000


def once(user, word):
    """Whether the fault `word` of the user plays now: the first time only."""
    if word not in user or (user, word) in ONCE:
        return False
    ONCE.add((user, word))
    return True


def error(status, code, message):
    return status, {"error": {"code": code, "message": message,
                              "innerError": {"request-id": secrets.token_hex(8)}}}


def log(state, user, line):
    os.makedirs(os.path.join(state, "graph"), exist_ok=True)
    with open(os.path.join(state, "graph", user + ".txt"), "a") as out:
        out.write(line + "\n")


def keep(state, user, how, mime, attachments, record_message, route="graph"):
    """The mail as the SMTP server keeps one: under its From address."""
    message = email.message_from_bytes(mime, policy=email.policy.default)
    sender = message["From"].addresses[0].addr_spec if message["From"] else "nobody"
    folder = os.path.join(state, "mail", sender)
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, str(len(os.listdir(folder)) + 1))
    work = target + ".tmp"
    os.makedirs(work)
    with open(os.path.join(work, "envelope.txt"), "w") as out:
        out.write("%s: %s\nuser: %s\n" % (route, how, user))
    with open(os.path.join(work, "message.eml"), "wb") as out:
        out.write(mime)
    record_message(mime, work)
    first = len([name for name in os.listdir(work) if name.endswith(".bin")]) + 1
    for index, (name, kind, data) in enumerate(attachments, first):
        with open(os.path.join(work, "part-%d.txt" % index), "w", encoding="utf-8") as out:
            out.write("type: %s\nencoding: graph\nfilename: %s\n" % (kind, name))
        with open(os.path.join(work, "part-%d.bin" % index), "wb") as out:
            out.write(data)
    os.rename(work, target)


def recipients_of(mime):
    message = email.message_from_bytes(mime, policy=email.policy.default)
    return [value for name in ("To", "Cc", "Bcc") for value in message.get_all(name, [])]


def message_id_of(mime):
    return email.message_from_bytes(mime, policy=email.policy.default).get("Message-ID", "")


def mime_of(body):
    try:
        return base64.b64decode(body, validate=True)
    except ValueError:
        return None


async def graph(state, access, used, method, path, headers, body, port, record_message):
    """(status, JSON or None, extra headers), or None to close unanswered."""
    if path.startswith("/upload/"):
        return upload(method, path[8:], headers, body)
    token = headers.get("authorization", "")[7:]
    client, expiry = access.get(token, ("", 0))
    if expiry < time.time() or ("revoked" in client and token in used):
        return error(401, "InvalidAuthenticationToken", "Access token is empty or invalid.") + ([],)
    used.add(token)
    parts = path.split("/")  # "", "graph", "v1.0", "users", user, ...
    if len(parts) > 2 and parts[2] not in ("v1.0", "beta"):
        return error(400, "BadRequest", "Invalid version: " + parts[2]) + ([],)
    if len(parts) < 6 or parts[3] != "users":
        return error(404, "ResourceNotFound", "Resource not found.") + ([],)
    user, rest = parts[4], parts[5:]
    kind = method + " " + "/".join(rest[:1] + ["{id}"] * (len(rest) > 1) + rest[2:])
    for word, wait in (("busy", "1"), ("datewait", email.utils.formatdate(time.time() + 2,
                                                                          usegmt=True))):
        if word in user and (user, kind) not in BUSY:
            BUSY.add((user, kind))
            return error(429, "ApplicationThrottled", "Too many requests.") + (
                [("Retry-After", wait)],)
    for word, wait in (("longwait", "400"), ("throttled", "1")):
        if word in user:
            return error(429, "ApplicationThrottled", "Too many requests.") + (
                [("Retry-After", wait)],)
    if kind == "GET messages":
        wanted = query_filter(headers.get(":query", ""))
        found = [{"id": key} for key, draft in DRAFTS.items()
                 if draft["user"] == user and message_id_of(draft["mime"]) == wanted]
        return 200, {"value": found}, []
    if "denied" in user:
        return error(403, "ErrorAccessDenied",
                     "Access is denied. Check credentials and try again.") + ([],)
    if kind in ("POST sendMail", "POST messages"):
        if headers.get("content-type", "") != "text/plain":
            return error(415, "UnsupportedMediaType", "Content-Type must be text/plain") + ([],)
        if len(body) > SEND_LIMIT:
            return error(413, "ErrorRequestEntityTooLarge", "The request is too large.") + ([],)
        mime = mime_of(body)
        if not body or mime is None:
            return error(400, "ErrorMimeContentInvalidBase64String",
                         "Invalid base64 string for MIME content.") + ([],)
        if kind == "POST sendMail" and "broken" in user:
            return error(500, "ErrorInternalServerError", "An internal error occurred.") + ([],)
        if kind == "POST sendMail" and not recipients_of(mime):
            return error(400, "ErrorInvalidRecipients",
                         "At least one recipient is not valid., A message can't be sent because "
                         "it contains no recipients.") + ([],)
        if kind == "POST sendMail":
            keep(state, user, "sendMail", mime, [], record_message)
            return None if "lost" in user else (202, None, [])
        draft = "AAMk" + secrets.token_hex(12)
        DRAFTS[draft] = {"user": user, "mime": mime, "attachments": []}
        log(state, user, "created " + draft)
        if once(user, "draft500"):
            return error(500, "ErrorInternalServerError", "An internal error occurred.") + ([],)
        if once(user, "draftgone"):
            return None
        return 201, {"id": draft}, []
    draft = DRAFTS.get(rest[1]) if len(rest) >= 2 else None
    if draft is None or draft["user"] != user:
        return error(404, "ErrorItemNotFound", "The specified object was not found.") + ([],)
    if kind == "DELETE messages/{id}":
        del DRAFTS[rest[1]]
        log(state, user, "deleted " + rest[1])
        return 204, None, []
    if kind == "POST messages/{id}/send":
        keep(state, user, "draft", draft["mime"], draft["attachments"], record_message)
        del DRAFTS[rest[1]]
        log(state, user, "sent " + rest[1])
        return None if "lost" in user else (202, None, [])
    if "attfail" in user:
        return error(400, "ErrorAttachmentInvalid", "The attachment is not valid.") + ([],)
    item = json.loads(body or b"{}")
    if kind == "POST messages/{id}/attachments":
        if item.get("@odata.type") != "#microsoft.graph.fileAttachment":
            return error(400, "ErrorInvalidRequest", "Not a fileAttachment.") + ([],)
        data = base64.b64decode(item["contentBytes"])
        if len(data) >= INLINE_LIMIT:
            return error(413, "ErrorRequestEntityTooLarge", "The request is too large.") + ([],)
        draft["attachments"].append((item["name"], item["contentType"], data))
        # As Microsoft's example answer: the attachment whole, its bytes again.
        return 201, dict(item, id=secrets.token_hex(8), size=len(data)), []
    if kind == "POST messages/{id}/attachments/createUploadSession":
        item = item.get("AttachmentItem", {})
        if item.get("attachmentType") != "file" or not isinstance(item.get("size"), int):
            return error(400, "ErrorInvalidRequest", "Not an AttachmentItem of a file.") + ([],)
        if "minsize" in user and item["size"] < INLINE_LIMIT:
            return error(400, "ErrorAttachmentSizeShouldNotBeLessThanMinimumSize",
                         "Attachment size must be at least 3 MB.") + ([],)
        upload_token = secrets.token_urlsafe(24)
        # contentType is optional (a peer script sends none).
        UPLOADS[upload_token] = {"draft": draft, "name": item["name"],
                                 "type": item.get("contentType", "application/octet-stream"),
                                 "size": item["size"], "data": bytearray(), "user": user}
        url = "https://localhost:%d/upload/%s?authtoken=%s" % (port, upload_token,
                                                                secrets.token_hex(16))
        return 201, {"uploadUrl": url, "nextExpectedRanges": ["0-"]}, []
    return error(400, "ErrorInvalidRequest", "Not a request this server knows.") + ([],)


def query_filter(query):
    """The Message-ID of "$filter=internetMessageId eq '<id>'"."""
    import urllib.parse
    text = dict(urllib.parse.parse_qsl(query)).get("$filter", "")
    prefix = "internetMessageId eq '"
    return text[len(prefix):-1] if text.startswith(prefix) and text.endswith("'") else None


def ranges(session, start):
    """The next range, as Graph writes it: both forms of the value, and the
    key as Microsoft's other page spells it for a "pascal" user."""
    key = "NextExpectedRanges" if "pascal" in session["user"] else "nextExpectedRanges"
    return {"expirationDateTime": "2030-01-01T00:00:00Z",
            key: ["%d-" % start] if start % 2 else ["%d" % start]}


def upload(method, token, headers, body):
    session = UPLOADS.get(token.split("?")[0])
    if session is None:
        return error(404, "ErrorItemNotFound", "No such upload session.") + ([],)
    if "authorization" in headers:
        # The URL is pre-authenticated; Outlook refuses a token beside it.
        return error(401, "InvalidAudience", "An Authorization header is not allowed.") + ([],)
    user, received = session["user"], session["data"]
    if method == "DELETE":
        del UPLOADS[token.split("?")[0]]
        return 204, None, []
    if method == "GET":
        if "noget" in user:
            return error(405, "MethodNotAllowed", "GET is not allowed here.") + ([],)
        return 200, ranges(session, len(received)), []
    if len(body) > CHUNK_LIMIT:
        return error(413, "RequestEntityTooLarge", "A chunk is at most 4 MiB.") + ([],)
    unit, _, span = headers.get("content-range", "").partition(" ")
    first, _, rest = span.partition("-")
    last, _, total = rest.partition("/")
    if (unit != "bytes" or int(first) != len(received) or int(last) - int(first) + 1 != len(body)
            or int(total) != session["size"]):
        return error(416, "InvalidRange", "Not the range expected.") + ([],)
    received.extend(body)
    if once(user, "piece500"):
        return error(500, "ErrorInternalServerError", "An internal error occurred.") + ([],)
    if once(user, "piecegone"):
        return None
    if len(received) < session["size"]:
        return 200, ranges(session, 0 if "stuck" in user else len(received)), []
    del UPLOADS[token.split("?")[0]]
    session["draft"]["attachments"].append((session["name"], session["type"], bytes(received)))
    return 201, None, []
