"""Lists as the vendor publishes them, made with the distribution tool's own
code: digest records before the I and M records, the serial first, the
signature of the build's private key last. Signing needs the Python package
cryptography (Debian: python3-cryptography)."""

import hashlib
import os
import sys

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..")))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

import make_distribution  # noqa: E402

PRIVATE_KEY = os.environ.get("ZORV_VENDOR_PRIVATE_KEY", "")


def vendor_key():
    """The build's private key (ZORV_VENDOR_PRIVATE_KEY), as the tool loads it."""
    if not PRIVATE_KEY:
        raise AssertionError("the build names no vendor key (ZORV_VENDOR_PRIVATE_KEY)")
    return make_distribution.load_signing_key(PRIVATE_KEY)


def with_digests(lines, files, digests=None):
    """lines with the digest record of each I and M record's file before it;
    digests: file field -> hex text to write instead of the file's own."""
    result = []
    for line in lines:
        if line[:1] in ("I", "M"):
            name = make_distribution.record_fields(line)[1]
            digest = (digests or {}).get(name) or hashlib.sha256(files[name]).hexdigest()
            result.append(make_distribution.digest_record(name, digest))
        result.append(line)
    return result


def signed_list(lines, files, serial, key=None):
    """The bytes of a list signed with key (default: the vendor's)."""
    return make_distribution.list_bytes(with_digests(lines, files), serial, key or vendor_key())


def signature_start(data):
    """The offset of the S of a signed list's last line."""
    return data.rindex(b"\r\nS,") + 2
