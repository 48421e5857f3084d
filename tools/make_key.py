#!/usr/bin/env python3
"""Makes the vendor's key pair for signed component lists.

    make_key.py OUTDIR

Writes OUTDIR/vendor_private.pem (PKCS#8, unencrypted, RSA 2048 bits,
e = 65537, readable by the owner only) and OUTDIR/vendor_public.pem
(SubjectPublicKeyInfo) unless they exist; a missing public key is derived
from an existing private one. Keep the private key secret: whoever holds it
can sign lists that installers built with the public key accept.

Exit code 0 on success, 1 on an error (a public key without its private key,
an unreadable key), 2 on bad usage. Needs the Python package cryptography
(Debian: python3-cryptography).
"""

import argparse
import os
import sys

PRIVATE_NAME = "vendor_private.pem"
PUBLIC_NAME = "vendor_public.pem"
KEY_BITS = 2048
PUBLIC_EXPONENT = 65537


class KeyPairError(Exception):
    pass


def _write(path, data, mode):
    # Made with its final mode from the start, then moved in place whole.
    temporary = path + ".tmp"
    descriptor = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)
    with os.fdopen(descriptor, "wb") as handle:
        handle.write(data)
    os.replace(temporary, path)


def make_key_pair(folder):
    """Returns the names of the files written (none when both were there)."""
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import rsa

    private_path = os.path.join(folder, PRIVATE_NAME)
    public_path = os.path.join(folder, PUBLIC_NAME)
    have_private, have_public = os.path.exists(private_path), os.path.exists(public_path)
    if have_private and have_public:
        return []
    if have_public:
        raise KeyPairError("%s exists without %s; move it away or add its private key" % (public_path, PRIVATE_NAME))
    os.makedirs(folder, exist_ok=True)
    written = []
    if have_private:
        try:
            with open(private_path, "rb") as handle:
                key = serialization.load_pem_private_key(handle.read(), password=None)
        except (OSError, ValueError, TypeError) as error:
            raise KeyPairError("cannot read %s: %s" % (private_path, error))
    else:
        key = rsa.generate_private_key(public_exponent=PUBLIC_EXPONENT, key_size=KEY_BITS)
        _write(private_path, key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                               serialization.NoEncryption()), 0o600)
        written.append(private_path)
    _write(public_path, key.public_key().public_bytes(serialization.Encoding.PEM,
                                                      serialization.PublicFormat.SubjectPublicKeyInfo), 0o644)
    written.append(public_path)
    return written


def main(argv=None):
    parser = argparse.ArgumentParser(description="Makes the vendor's key pair for signed component lists.")
    parser.add_argument("outdir", help="the folder for %s and %s" % (PRIVATE_NAME, PUBLIC_NAME))
    args = parser.parse_args(argv)
    try:
        import cryptography  # noqa: F401
    except ImportError:
        print("make_key: needs the Python package cryptography (Debian: python3-cryptography)", file=sys.stderr)
        return 1
    try:
        written = make_key_pair(args.outdir)
    except (KeyPairError, OSError) as error:
        print("make_key: %s" % error, file=sys.stderr)
        return 1
    for path in written:
        print("make_key: wrote %s" % path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
