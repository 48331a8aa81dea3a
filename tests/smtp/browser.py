#!/usr/bin/python3
"""A stand-in browser for the sign-in tests: browser.py URL

Asks the test authorization endpoint for URL (trusting the test authority
$J6TEST_BROWSER_CA), takes the address its 302 sends it to, asks that (the
program's listener on 127.0.0.1) and appends the page it got to
$J6TEST_BROWSER_PAGES. Run as the program's $BROWSER, and under Wine as the
command winebrowser starts."""

import os
import ssl
import sys
import urllib.error
import urllib.request


class Stay(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None


def main(url):
    context = ssl.create_default_context(cafile=os.environ["J6TEST_BROWSER_CA"])
    # No proxy of the machine's: both ends are on the loopback.
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}),
                                         urllib.request.HTTPSHandler(context=context), Stay)
    try:
        opener.open(url, timeout=30)
        return 1
    except urllib.error.HTTPError as answer:
        location = answer.headers["Location"]
    try:
        page = opener.open(location, timeout=30).read()
    except urllib.error.HTTPError as refusal:
        page = refusal.read()
    with open(os.environ["J6TEST_BROWSER_PAGES"], "ab") as out:
        out.write(page + b"\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
