#!/usr/bin/python3
"""Signs S3 object requests with botocore's HmacV1Auth (an implementation independent of ours) and
sends them to the stand-in's S3 port.

Reads a JSON list of cases on stdin and prints a JSON list of results on stdout. A case:
  endpoint "http://127.0.0.1:PORT", style "path"|"vhost", method "PUT"|"GET", bucket, key,
  body (Base64), contentType, access, secret, token (optional), dateOffset (seconds, optional),
  contentMd5 (optional: replaces the computed one before signing),
  afterSigning (optional: headers replaced after signing, to tamper with a signed request).
A result: status, code (the S3 error code or ""), body (Base64), etag.
Exit status 3 when botocore is missing.
"""
import base64
import email.utils
import hashlib
import http.client
import json
import re
import sys
import time
from urllib.parse import quote

try:
    from botocore.auth import HmacV1Auth
    from botocore.awsrequest import AWSRequest
    from botocore.credentials import Credentials
except ImportError:
    sys.exit(3)


class ShiftedClockAuth(HmacV1Auth):
    def __init__(self, credentials, offset):
        super().__init__(credentials)
        self.offset = offset

    def _get_date(self):
        return email.utils.formatdate(time.time() + self.offset, usegmt=True)


def run(case):
    port = int(case["endpoint"].rsplit(":", 1)[1])
    bucket = case["bucket"]
    key = quote(case["key"], safe="")  # "/" inside a key travels as %2F, as the client sends it
    if case.get("style") == "vhost":
        host = f"{bucket}.127.0.0.1:{port}"
        path = "/" + key
        auth_path = f"/{bucket}/{key}"
    else:
        host = f"127.0.0.1:{port}"
        path = f"/{bucket}/{key}"
        auth_path = None
    method = case.get("method", "PUT")
    body = base64.b64decode(case.get("body", ""))
    headers = {"Host": host}
    if method == "PUT":
        headers["Content-Type"] = case.get("contentType", "application/octet-stream")
        headers["Content-MD5"] = case.get("contentMd5") or base64.b64encode(hashlib.md5(body).digest()).decode()
        headers["Content-Length"] = str(len(body))
    request = AWSRequest(method=method, url=f"http://{host}{path}", data=body, headers=headers, auth_path=auth_path)
    credentials = Credentials(case["access"], case["secret"], case.get("token") or None)
    ShiftedClockAuth(credentials, case.get("dateOffset", 0)).add_auth(request)
    final = dict(request.headers.items())
    for name, value in case.get("afterSigning", {}).items():
        final[name] = value

    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
    for name, value in final.items():
        connection.putheader(name, value)
    connection.endheaders(body if method == "PUT" else None)
    response = connection.getresponse()
    data = response.read()
    connection.close()
    code = ""
    if response.status >= 300:
        match = re.search(rb"<Code>([^<]*)</Code>", data)
        code = match.group(1).decode() if match else ""
    return {
        "status": response.status,
        "code": code,
        "body": base64.b64encode(data).decode(),
        "etag": response.getheader("ETag", ""),
    }


def main():
    cases = json.load(sys.stdin)
    print(json.dumps([run(case) for case in cases]))


if __name__ == "__main__":
    main()
