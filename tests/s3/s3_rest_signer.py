#!/usr/bin/python3
"""Our own signer for the S3 REST authentication scheme (signature version 2, HMAC-SHA1), written
from the scheme's public description and kept apart from the library's code. Standard library only.

    Authorization   = "AWS " AccessKeyId ":" Base64(HMAC-SHA1(Secret, UTF-8(StringToSign)))
    StringToSign    = Verb "\n" Content-MD5 "\n" Content-Type "\n" Date "\n"
                      CanonicalizedAmzHeaders CanonicalizedResource
    Date            = empty when the request carries x-amz-date
    CanonicalizedAmzHeaders: the x-amz-* headers, names in lower case, sorted by name, repeated
                      names joined with "," (no blanks), folded lines unfolded to one space, blanks
                      around the colon dropped, each line ended by "\n"
    CanonicalizedResource: "/" bucket when the Host header names the bucket (virtual host), then the
                      request path as sent (not decoded) up to the query, then the signed
                      sub-resources sorted by name ("?acl", "?uploadId=...", ...)

Two commands, JSON on stdin, JSON on stdout:

  check  A list of requests exactly as a peer received them:
           {raw: Base64 of the request bytes, endpointHost: the service host (with port) the
            client was given, access, secret, bucket and key (optional: the object meant)}
         Result per request: {ok, problems: [text], stringToSign, signature, authorization}.
         The request is parsed as an HTTP peer reads it (blanks around header values dropped);
         when bucket and key are given, the path must be the key in our own encoding and the
         bucket must be named as the style requires.

  send   A list of requests to sign here and send with Python's HTTP client:
           {endpoint "http://127.0.0.1:PORT", style "path"|"vhost", method "PUT"|"GET", bucket,
            key, body (Base64), contentType, access, secret, token (optional), metadata
            (optional {name: value}), dateOffset (seconds, optional), amzDate (optional: adds an
            x-amz-date header this many seconds from now), signDateWithAmzDate (optional: signs the
            Date header on the Date line even beside x-amz-date, the mistake a faulty signer
            makes), contentMd5 (optional: replaces the computed one before signing), afterSigning
            (optional headers replaced after signing, to tamper with a signed request)}
         Result per request: {status, code (the error document's Code or ""), body (Base64), etag}.
"""
import base64
import email.utils
import hashlib
import hmac
import http.client
import json
import re
import sys
import time
from urllib.parse import quote, unquote

# Query parameters that name a sub-resource or override a response header; only these are signed.
SIGNED_SUBRESOURCES = {
    "acl", "lifecycle", "location", "logging", "notification", "partNumber", "policy",
    "requestPayment", "torrent", "uploadId", "uploads", "versionId", "versioning", "versions",
    "website", "response-content-type", "response-content-language", "response-expires",
    "response-cache-control", "response-content-disposition", "response-content-encoding",
}


def encode_key(key):
    """Every byte of the UTF-8 key escaped except the unreserved A-Z a-z 0-9 - . _ ~ and the "/"
    between segments, as common clients send keys; a key with a "." or ".." segment or a leading
    "/" (which a peer normalising paths would change) is escaped whole, its "/" as %2F."""
    segments = key.split("/")
    whole = any(s in (".", "..") for s in segments) or key.startswith("/")
    return quote(key.encode("utf-8"), safe="-._~" if whole else "-._~/")


def header(headers, name):
    for n, v in headers:
        if n.lower() == name.lower():
            return v
    return ""


def canonical_amz_headers(headers):
    merged = {}
    for name, value in headers:
        lower = name.lower()
        if lower.startswith("x-amz-"):
            unfolded = re.sub(r"[ \t]*\r?\n[ \t]*", " ", value).strip(" \t")
            merged.setdefault(lower, []).append(unfolded)
    return "".join(f"{name}:{','.join(merged[name])}\n" for name in sorted(merged))


def canonical_resource(target, bucket_from_host):
    path, _, query = target.partition("?")
    resource = ("/" + bucket_from_host if bucket_from_host else "") + path
    signed = []
    for part in query.split("&") if query else []:
        name, eq, value = part.partition("=")
        name = unquote(name)
        if name in SIGNED_SUBRESOURCES:
            signed.append((name, unquote(value) if eq else None))
    if signed:
        signed.sort(key=lambda item: item[0])
        resource += "?" + "&".join(n if v is None else f"{n}={v}" for n, v in signed)
    return resource


def string_to_sign(method, target, headers, bucket_from_host, date_despite_amz_date=False):
    amz_date = header(headers, "x-amz-date") and not date_despite_amz_date
    date = "" if amz_date else header(headers, "Date")
    return "\n".join([method, header(headers, "Content-MD5"), header(headers, "Content-Type"), date,
                      ""]) + canonical_amz_headers(headers) + canonical_resource(target, bucket_from_host)


def signature(secret, text):
    """`text` holds one character per byte (Latin-1), so it signs exactly the bytes on the wire."""
    digest = hmac.new(secret.encode("utf-8"), text.encode("latin-1"), hashlib.sha1).digest()
    return base64.b64encode(digest).decode("ascii")


def bucket_in_host(host, endpoint_host):
    host, endpoint_host = host.lower(), endpoint_host.lower()
    if host == endpoint_host:
        return ""
    if host.endswith("." + endpoint_host):
        return host[: -len(endpoint_host) - 1]
    return host.rsplit(":", 1)[0]  # a host name of its own names the bucket whole


def parse_request(raw):
    """Method, target and header list of raw request bytes, read as an HTTP/1.1 peer reads them."""
    head = raw.split(b"\r\n\r\n", 1)[0].decode("latin-1")
    lines = head.split("\r\n")
    method, target, _version = lines[0].split(" ", 2)
    headers = []
    for line in lines[1:]:
        if line[:1] in (" ", "\t") and headers:  # an obsolete folded line continues the last header
            headers[-1] = (headers[-1][0], headers[-1][1] + " " + line.strip(" \t"))
            continue
        name, _, value = line.partition(":")
        headers.append((name, value.strip(" \t")))
    return method, target, headers


def check(case):
    problems = []
    method, target, headers = parse_request(base64.b64decode(case["raw"]))
    host = header(headers, "Host")
    host_bucket = bucket_in_host(host, case["endpointHost"])
    text = string_to_sign(method, target, headers, host_bucket)
    expected = signature(case["secret"], text)
    authorization = header(headers, "Authorization")
    if authorization != f"AWS {case['access']}:{expected}":
        problems.append(f"Authorization {authorization!r}, expected signature {expected}")
    for name in ("Host", "Date", "Authorization"):
        if sum(1 for n, _ in headers if n.lower() == name.lower()) != 1:
            problems.append(f"{name} appears other than once")
    if "key" in case:
        path = target.partition("?")[0]
        bucket = case["bucket"]
        wanted = ("/" if host_bucket else f"/{bucket}/") + encode_key(case["key"])
        if path != wanted:
            problems.append(f"path {path!r}, expected {wanted!r}")
        if host_bucket and host_bucket != bucket:
            problems.append(f"Host names bucket {host_bucket!r}, expected {bucket!r}")
        named = host_bucket or unquote(path.split("/")[1])
        key = unquote(path[1:] if host_bucket else path[len(bucket) + 2:], encoding="utf-8")
        if named != bucket or key != case["key"]:
            problems.append(f"the path names {named!r}/{key!r}")
    return {"ok": not problems, "problems": problems, "stringToSign": text, "signature": expected,
            "authorization": authorization}


def send(case):
    port = int(case["endpoint"].rsplit(":", 1)[1])
    authority = f"127.0.0.1:{port}"
    bucket = case["bucket"]
    if case.get("style") == "vhost":
        host, path = f"{bucket}.{authority}", "/" + encode_key(case["key"])
    else:
        host, path = authority, f"/{bucket}/" + encode_key(case["key"])
    method = case.get("method", "PUT")
    body = base64.b64decode(case.get("body", ""))
    headers = [("Host", host),
               ("Date", email.utils.formatdate(time.time() + case.get("dateOffset", 0), usegmt=True))]
    if method == "PUT":
        md5 = case.get("contentMd5") or base64.b64encode(hashlib.md5(body).digest()).decode()
        headers += [("Content-Type", case.get("contentType", "application/octet-stream")),
                    ("Content-MD5", md5), ("Content-Length", str(len(body)))]
    if "amzDate" in case:
        headers.append(("x-amz-date", email.utils.formatdate(time.time() + case["amzDate"], usegmt=True)))
    if case.get("token"):
        headers.append(("x-amz-security-token", case["token"]))
    for name, value in case.get("metadata", {}).items():
        headers.append(("x-amz-meta-" + name, value))
    # The signer works on bytes as characters, as the check above does on received requests.
    as_wire = [(n, v.encode("utf-8").decode("latin-1")) for n, v in headers]
    text = string_to_sign(method, path, as_wire, bucket if case.get("style") == "vhost" else "",
                          case.get("signDateWithAmzDate", False))
    headers.append(("Authorization", f"AWS {case['access']}:{signature(case['secret'], text)}"))
    final = dict(headers)
    final.update(case.get("afterSigning", {}))

    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
    for name, value in final.items():
        connection.putheader(name, value.encode("utf-8"))
    connection.endheaders(body if method == "PUT" else None)
    response = connection.getresponse()
    data = response.read()
    connection.close()
    match = re.search(rb"<Code>([^<]*)</Code>", data) if response.status >= 300 else None
    return {"status": response.status, "code": match.group(1).decode() if match else "",
            "body": base64.b64encode(data).decode(), "etag": response.getheader("ETag", "")}


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    run = {"check": check, "send": send}.get(command)
    if not run:
        sys.exit("usage: s3_rest_signer.py check|send < cases.json")
    print(json.dumps([run(case) for case in json.load(sys.stdin)]))


if __name__ == "__main__":
    main()
