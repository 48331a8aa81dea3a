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
refused 400 (the check program's probe). Words in the user: "busy" (each
kind of request answered 429 with Retry-After: 1 the first time), "denied"
(403 ErrorAccessDenied), "lost" (sendMail and send: the mail kept, then
the connection closed without an answer), "attfail" (attachments refused
400), "broken" (sendMail answered 500).
"""

import base64
import email
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


def error(status, code, message):
    return status, {"error": {"code": code, "message": message,
                              "innerError": {"request-id": secrets.token_hex(8)}}}


def log(state, user, line):
    os.makedirs(os.path.join(state, "graph"), exist_ok=True)
    with open(os.path.join(state, "graph", user + ".txt"), "a") as out:
        out.write(line + "\n")


def keep(state, user, how, mime, attachments, record_message):
    """The mail as the SMTP server keeps one: under its From address."""
    message = email.message_from_bytes(mime, policy=email.policy.default)
    sender = message["From"].addresses[0].addr_spec if message["From"] else "nobody"
    folder = os.path.join(state, "mail", sender)
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, str(len(os.listdir(folder)) + 1))
    work = target + ".tmp"
    os.makedirs(work)
    with open(os.path.join(work, "envelope.txt"), "w") as out:
        out.write("graph: %s\nuser: %s\n" % (how, user))
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


def mime_of(body):
    try:
        return base64.b64decode(body, validate=True)
    except ValueError:
        return None


async def graph(state, access, used, method, path, headers, body, port, record_message):
    """(status, JSON or None, extra headers), or None to close unanswered."""
    if path.startswith("/upload/"):
        return upload(path[8:], headers, body)
    token = headers.get("authorization", "")[7:]
    client, expiry = access.get(token, ("", 0))
    if expiry < time.time() or ("revoked" in client and token in used):
        return error(401, "InvalidAuthenticationToken", "Access token is empty or invalid.") + ([],)
    used.add(token)
    parts = path.split("/")  # "", "graph", "v1.0", "users", user, ...
    if len(parts) < 6 or parts[3] != "users":
        return error(404, "ResourceNotFound", "Resource not found.") + ([],)
    user, rest = parts[4], parts[5:]
    kind = method + " " + "/".join(rest[:1] + ["{id}"] * (len(rest) > 1) + rest[2:])
    if "busy" in user and (user, kind) not in BUSY:
        BUSY.add((user, kind))
        return error(429, "ApplicationThrottled", "Too many requests.") + ([("Retry-After", "1")],)
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
        if kind == "POST sendMail":
            keep(state, user, "sendMail", mime, [], record_message)
            return None if "lost" in user else (202, None, [])
        draft = "AAMk" + secrets.token_hex(12)
        DRAFTS[draft] = {"user": user, "mime": mime, "attachments": []}
        log(state, user, "created " + draft)
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
        draft["attachments"].append((item["name"], item["contentType"], data))
        return 201, {"id": secrets.token_hex(8), "size": len(data)}, []
    if kind == "POST messages/{id}/attachments/createUploadSession":
        item = item.get("AttachmentItem", {})
        if item.get("attachmentType") != "file" or not isinstance(item.get("size"), int):
            return error(400, "ErrorInvalidRequest", "Not an AttachmentItem of a file.") + ([],)
        upload_token = secrets.token_urlsafe(24)
        UPLOADS[upload_token] = {"draft": draft, "name": item["name"], "type": item["contentType"],
                                 "size": item["size"], "data": bytearray()}
        url = "https://localhost:%d/upload/%s?authtoken=%s" % (port, upload_token,
                                                                secrets.token_hex(16))
        return 201, {"uploadUrl": url, "nextExpectedRanges": ["0-"]}, []
    return error(400, "ErrorInvalidRequest", "Not a request this server knows.") + ([],)


def upload(token, headers, body):
    session = UPLOADS.get(token.split("?")[0])
    if session is None:
        return error(404, "ErrorItemNotFound", "No such upload session.") + ([],)
    if "authorization" in headers:
        # The URL is pre-authenticated; Outlook refuses a token beside it.
        return error(401, "InvalidAudience", "An Authorization header is not allowed.") + ([],)
    if len(body) > CHUNK_LIMIT:
        return error(413, "RequestEntityTooLarge", "A chunk is at most 4 MiB.") + ([],)
    received = session["data"]
    unit, _, span = headers.get("content-range", "").partition(" ")
    first, _, rest = span.partition("-")
    last, _, total = rest.partition("/")
    if (unit != "bytes" or int(first) != len(received) or int(last) - int(first) + 1 != len(body)
            or int(total) != session["size"]):
        return error(416, "InvalidRange", "Not the range expected.") + ([],)
    received.extend(body)
    if len(received) < session["size"]:
        # Both forms Graph gives.
        ranges = ["%d-" % len(received)] if len(received) % 2 else ["%d" % len(received)]
        return 200, {"expirationDateTime": "2030-01-01T00:00:00Z",
                     "nextExpectedRanges": ranges}, []
    del UPLOADS[token.split("?")[0]]
    session["draft"]["attachments"].append((session["name"], session["type"], bytes(received)))
    return 201, None, []
