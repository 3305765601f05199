#!/usr/bin/python3
"""Our own version-4 signer (AWS4-HMAC-SHA256), written from the scheme's public description and kept
apart from the library's code. Standard library only.

    CanonicalRequest = Method "\n" CanonicalURI "\n" CanonicalQuery "\n" CanonicalHeaders "\n"
                       SignedHeaders "\n" hex(SHA-256(payload))
    CanonicalURI     = the path as sent ("/" when empty), each "/"-separated segment decoded and
                       URI-encoded again (every byte but A-Z a-z 0-9 - . _ ~ as %XX, upper-case hex):
                       once for the object storage service "s3", twice for every other service
    CanonicalHeaders = per header, sorted by lower-case name: name ":" value "\n", runs of blanks in
                       the value made one blank and its ends trimmed
    SignedHeaders    = the lower-case names, sorted, joined by ";"
    Scope            = date "/" region "/" service "/aws4_request"
    StringToSign     = "AWS4-HMAC-SHA256\n" amzDate "\n" Scope "\n" hex(SHA-256(CanonicalRequest))
    SigningKey       = HMAC(HMAC(HMAC(HMAC("AWS4" secret, date), region), service), "aws4_request")
    Authorization    = "AWS4-HMAC-SHA256 Credential=" access "/" Scope ", SignedHeaders=" names
                       ", Signature=" hex(HMAC-SHA256(SigningKey, StringToSign))

JSON on stdin, JSON on stdout: a list of {method, path, query, headers [[name, value]], payload,
service, region, access, secret, amzDate "YYYYMMDDTHHMMSSZ"} gives a list of {canonicalRequest,
stringToSign, authorization}.
"""
import hashlib
import hmac
import json
import re
import sys
from urllib.parse import quote, unquote_to_bytes


def uri_encode(data):
    return quote(data, safe="-_.~")


def canonical_uri(path, service):
    if not path:
        return "/"
    segments = []
    for segment in path.split("/"):
        encoded = uri_encode(unquote_to_bytes(segment))
        if service != "s3":
            encoded = uri_encode(encoded)
        segments.append(encoded)
    return "/".join(segments)


def hmac_sha256(key, text):
    return hmac.new(key, text.encode("utf-8"), hashlib.sha256).digest()


def sign(case):
    headers = sorted(((n.lower(), re.sub(r"[ \t]+", " ", v).strip(" \t")) for n, v in case["headers"]))
    canonical_headers = "".join(f"{n}:{v}\n" for n, v in headers)
    signed_headers = ";".join(n for n, _ in headers)
    canonical = "\n".join([case["method"], canonical_uri(case["path"], case["service"]), case["query"],
                           canonical_headers, signed_headers,
                           hashlib.sha256(case["payload"].encode("utf-8")).hexdigest()])
    date = case["amzDate"][:8]
    scope = f"{date}/{case['region']}/{case['service']}/aws4_request"
    to_sign = "\n".join(["AWS4-HMAC-SHA256", case["amzDate"], scope,
                         hashlib.sha256(canonical.encode("utf-8")).hexdigest()])
    key = ("AWS4" + case["secret"]).encode("utf-8")
    for part in (date, case["region"], case["service"], "aws4_request"):
        key = hmac_sha256(key, part)
    signature = hmac.new(key, to_sign.encode("utf-8"), hashlib.sha256).hexdigest()
    authorization = (f"AWS4-HMAC-SHA256 Credential={case['access']}/{scope}, "
                     f"SignedHeaders={signed_headers}, Signature={signature}")
    return {"canonicalRequest": canonical, "stringToSign": to_sign, "authorization": authorization}


def main():
    print(json.dumps([sign(case) for case in json.load(sys.stdin)]))


if __name__ == "__main__":
    main()
