"""Gmail's messages.send as Google documents it, at /upload/gmail/v1/users/{user}/messages/send:
POST ?uploadType=media (message/rfc822, the raw message: 200 {"id"}); POST ?uploadType=resumable
(200, the session's Location); PUT {session} with "Content-Range: bytes a-b/N" (308 and
"Range: bytes=0-<last>" until the message is whole, then 200 {"id"}; "bytes */N" asks how far it
got; a piece not starting where the upload stands is not taken). A bearer token the endpoint
issued is needed but for a session's PUTs. Errors are Google's error object; a message without
recipients is refused 400 "Recipient address required". Mail is kept as graph_api keeps it,
envelope "gmail: media" or "gmail: resumable". Words in the user: "busy" (429 once per upload
type, "Retry after" a second on), "longwait" (403 userRateLimitExceeded, an hour on), "daily",
"noapi", "noscope" (403 dailyLimitExceeded, accessNotConfigured, insufficientPermissions),
"piecelost" (the second piece kept, its answer lost, once), "lost" (the message kept, its answer
lost; asked again, a session answers), "broken" (the message kept, answered 500).
"""

import secrets
import time
import urllib.parse

import graph_api

SESSIONS = {}  # upload_id -> {"user", "size", "data", "pieces"}
ONCE = set()


def error(status, reason, message):
    return status, {"error": {"code": status, "message": message,
                              "errors": [{"message": message, "reason": reason}]}}, []


def refusal(user, kind):
    if "busy" in user and (user, kind) not in ONCE:
        ONCE.add((user, kind))
        later = time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime(time.time() + 1))
        return error(429, "rateLimitExceeded", "User-rate limit exceeded.  Retry after " + later)
    later = time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime(time.time() + 3600))
    for word, reason, message in (
            ("longwait", "userRateLimitExceeded", "User-rate limit exceeded.  Retry after " + later),
            ("daily", "dailyLimitExceeded", "Daily user sending limit exceeded."),
            ("noapi", "accessNotConfigured", "Gmail API has not been used in project 7 before or "
             "it is disabled."),
            ("noscope", "insufficientPermissions", "Request had insufficient authentication "
             "scopes.")):
        if word in user:
            return error(403, reason, message)
    return None


def sent(state, user, how, mime, record_message):
    """Keeps the message; its answer, or None where it is lost."""
    if not graph_api.recipients_of(mime):
        return error(400, "invalidArgument", "Recipient address required")
    graph_api.keep(state, user, how, mime, [], record_message, route="gmail")
    if "broken" in user:
        return error(500, "backendError", "Backend Error")
    return None if "lost" in user else (200, {"id": secrets.token_hex(8), "labelIds": ["SENT"]}, [])


async def gmail(state, access, used, method, path, headers, body, port, record_message):
    """(status, JSON or None, extra headers), or None to close unanswered."""
    query = dict(urllib.parse.parse_qsl(headers.get(":query", "")))
    user = urllib.parse.unquote(path.split("/")[5]) if path.count("/") >= 7 else ""
    session = SESSIONS.get(query.get("upload_id", ""))
    if method == "PUT" and session is not None:
        return piece(state, session, headers, body, record_message)
    client, expiry = access.get(headers.get("authorization", "")[7:], ("", 0))
    if expiry < time.time():
        return error(401, "authError", "Request had invalid authentication credentials.")
    kind = query.get("uploadType", "")
    if method != "POST" or kind not in ("media", "resumable"):
        return error(400, "badRequest", "Bad Request")
    found = refusal(user, kind)
    if found:
        return found
    if kind == "media":
        if headers.get("content-type") != "message/rfc822":
            return error(400, "badContent", "Media type is not supported.")
        return sent(state, user, "media", body, record_message)
    upload_id = secrets.token_urlsafe(24)
    SESSIONS[upload_id] = {"user": user, "size": int(headers["x-upload-content-length"]),
                           "data": bytearray(), "pieces": 0}
    url = "https://localhost:%d%s?uploadType=resumable&upload_id=%s" % (port, path, upload_id)
    return 200, None, [("Location", url)]


def piece(state, session, headers, body, record_message):
    user, data = session["user"], session["data"]
    asked = headers.get("content-range", "")
    if not asked.startswith("bytes */"):
        session["pieces"] += 1
        if int(asked[6:].split("-")[0]) == len(data):
            data += body
        if session["pieces"] == 2 and "piecelost" in user and (user, "piece") not in ONCE:
            ONCE.add((user, "piece"))
            return None
    if len(data) == session["size"]:
        if "answer" not in session:
            session["answer"] = sent(state, user, "resumable", bytes(data), record_message)
            if session["answer"] is None:  # lost: asked again, the message is there
                session["answer"] = 200, {"id": secrets.token_hex(8), "labelIds": ["SENT"]}, []
                return None
        return session["answer"]
    return 308, None, [("Range", "bytes=0-%d" % (len(data) - 1))] if data else []
