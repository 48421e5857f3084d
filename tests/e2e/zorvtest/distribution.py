"""Distributions made by the tests: a folder of component files and a
"zorv3.lst", placed in the Wine prefix (for file: locations) or served."""

import hashlib
import os
import shutil


def write_distribution(folder, files, list_lines=None, list_bytes=None):
    """files: name -> bytes. list_lines are joined with CR LF; list_bytes
    is written as it is (for malformed lists)."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    if list_bytes is None and list_lines is not None:
        list_bytes = ("\r\n".join(list_lines) + "\r\n").encode("cp1252")
    if list_bytes is not None:
        with open(os.path.join(folder, "zorv3.lst"), "wb") as f:
            f.write(list_bytes)
    return folder


def digest_tree(root):
    """path relative to root -> (size, sha1, mtime, inode) for every file below root."""
    result = {}
    for base, _, names in os.walk(root):
        for name in names:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                data = f.read()
            status = os.stat(path)
            result[os.path.relpath(path, root)] = (len(data), hashlib.sha1(data).hexdigest(),
                                                   status.st_mtime_ns, status.st_ino)
    return result
