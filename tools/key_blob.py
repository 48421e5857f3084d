#!/usr/bin/env python3
"""Turns the vendor's public key into the bytes the installer compiles in.

    key_blob.py PUBLIC_PEM OUT_INC

Reads a PEM public key (SubjectPublicKeyInfo, RSA, 2048 bits) and writes
OUT_INC as C initializer text: the key as a CryptoAPI PUBLICKEYBLOB
(CryptImportKey's format), comma-separated 0x.. bytes and nothing else.
The blob, little-endian: BLOBHEADER (bType PUBLICKEYBLOB, bVersion 2,
reserved 0, aiKeyAlg CALG_RSA_SIGN), RSAPUBKEY (magic "RSA1", bitlen,
pubexp), then the modulus, least significant byte first.

Exit code 0 on success, 1 on a key that is unreadable or not 2048-bit RSA,
2 on bad usage. Needs the Python package cryptography (Debian:
python3-cryptography).
"""

import argparse
import os
import struct
import sys

KEY_BITS = 2048
PUBLICKEYBLOB = 0x06
CUR_BLOB_VERSION = 0x02
CALG_RSA_SIGN = 0x00002400
RSA1 = 0x31415352
BYTES_PER_LINE = 16


class KeyBlobError(Exception):
    pass


def public_key_blob(modulus, exponent, bits=KEY_BITS):
    if exponent >= 2 ** 32:
        raise KeyBlobError("the public exponent %d does not fit the blob's 32 bits" % exponent)
    header = struct.pack("<BBHI", PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_SIGN)
    rsa_public = struct.pack("<III", RSA1, bits, exponent)
    return header + rsa_public + modulus.to_bytes(bits // 8, "little")


def load_public_numbers(path):
    """(modulus, exponent) of a 2048-bit RSA public key in a PEM file."""
    from cryptography.exceptions import UnsupportedAlgorithm
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    try:
        with open(path, "rb") as handle:
            data = handle.read()
    except OSError as error:
        raise KeyBlobError("cannot read the key: %s" % error)
    try:
        key = serialization.load_pem_public_key(data)
    except (ValueError, UnsupportedAlgorithm) as error:
        raise KeyBlobError("%s is no PEM public key: %s" % (path, error))
    if not isinstance(key, rsa.RSAPublicKey):
        raise KeyBlobError("%s is no RSA key; the installer takes %d-bit RSA keys only" % (path, KEY_BITS))
    if key.key_size != KEY_BITS:
        raise KeyBlobError("%s is a %d-bit RSA key; the installer takes %d-bit RSA keys only"
                           % (path, key.key_size, KEY_BITS))
    numbers = key.public_numbers()
    return numbers.n, numbers.e


def initializer_text(blob):
    lines = []
    for start in range(0, len(blob), BYTES_PER_LINE):
        lines.append(", ".join("0x%02x" % byte for byte in blob[start:start + BYTES_PER_LINE]))
    return ",\n".join(lines) + "\n"


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes the vendor's public key as a CryptoAPI blob for C.")
    parser.add_argument("public_pem", help="the vendor's public key (PEM)")
    parser.add_argument("out_inc", help="the C initializer file to write")
    args = parser.parse_args(argv)
    try:
        try:
            import cryptography  # noqa: F401
        except ImportError:
            raise KeyBlobError("needs the Python package cryptography (Debian: python3-cryptography)")
        text = initializer_text(public_key_blob(*load_public_numbers(args.public_pem)))
        temporary = args.out_inc + ".tmp"
        with open(temporary, "w", encoding="ascii", newline="\n") as handle:
            handle.write(text)
        os.replace(temporary, args.out_inc)
    except (KeyBlobError, OSError) as error:
        print("key_blob: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
