#!/usr/bin/python3
"""Signs the requests given on stdin with botocore, the independent reference for our signer.

Input: {"hmacv1": [{method, url, headers: [[name, value]], auth_path, ak, sk, token}],
        "sigv4": [{method, url, headers, payload, region, service, timestamp, ak, sk}]}
Output: {"hmacv1": [{string_to_sign, signature}], "sigv4": [{canonical_request, string_to_sign, signature}]}
"""
import json
import sys

from botocore.auth import HmacV1Auth, SigV4Auth
from botocore.awsrequest import AWSRequest
from botocore.compat import HTTPHeaders, urlsplit
from botocore.credentials import Credentials


def hmacv1(case):
    auth = HmacV1Auth(Credentials(case["ak"], case["sk"], case.get("token") or None))
    headers = HTTPHeaders()
    for name, value in case["headers"]:
        headers[name] = value
    # botocore stamps its own Date; it must sign the Date that was sent.
    sent_date = headers.get("Date")
    auth._get_date = lambda: sent_date
    split = urlsplit(case["url"])
    return {
        "string_to_sign": auth.canonical_string(case["method"], split, headers, auth_path=case["auth_path"]),
        "signature": auth.get_signature(case["method"], split, headers, auth_path=case["auth_path"]),
    }


def sigv4(case):
    request = AWSRequest(method=case["method"], url=case["url"], data=case["payload"],
                         headers=dict(case["headers"]))
    request.context["timestamp"] = case["timestamp"]
    auth = SigV4Auth(Credentials(case["ak"], case["sk"]), case["service"], case["region"])
    canonical = auth.canonical_request(request)
    string_to_sign = auth.string_to_sign(request, canonical)
    return {"canonical_request": canonical, "string_to_sign": string_to_sign,
            "signature": auth.signature(string_to_sign, request)}


def main():
    cases = json.load(sys.stdin)
    json.dump({"hmacv1": [hmacv1(c) for c in cases.get("hmacv1", [])],
               "sigv4": [sigv4(c) for c in cases.get("sigv4", [])]}, sys.stdout)


if __name__ == "__main__":
    main()
