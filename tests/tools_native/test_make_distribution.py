"""The distribution tool: version resources read from PE files, and the list
it writes from a template and a folder."""

import base64
import contextlib
import hashlib
import io
import os
import random
import re
import struct
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

import make_distribution  # noqa: E402

WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")
VENDOR_PRIVATE_KEY = os.environ.get("ZORV_VENDOR_PRIVATE_KEY", "")

try:
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec, padding, rsa
except ImportError:   # the signing tests say so
    rsa = None


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def split_signature(data):
    """The signed bytes and the signature of a list that ends in an S line."""
    start = data.rindex(b"\r\nS,") + 2
    line = data[start:]
    assert line.endswith(b"\r\n") and line.count(b"\n") == 1, line
    return data[:start], base64.b64decode(line[2:-2], validate=True), line


def make_pe(version=(1, 2, 3, 4), plus=False, types=(24, 16), resource=True, signature=0xFEEF04BD,
            key="VS_VERSION_INFO", raw_size=None, data_size=None):
    """A minimal PE image with one .rsrc section. Returns the bytes and the
    offset just behind the file version words (what a reader must reach)."""
    optional_size = 240 if plus else 224
    section_table = 0x40 + 24 + optional_size
    raw_pointer = 0x200
    section_rva = 0x1000

    # Resource tree: the root lists the types (each leads to the same name
    # directory), then name -> language -> data entry -> VS_VERSIONINFO.
    root_size = 16 + 8 * len(types)
    names_at = root_size
    languages_at = names_at + 24
    data_entry_at = languages_at + 24
    info_at = data_entry_at + 16
    tree = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(types))
    for type_id in types:
        tree += struct.pack("<II", type_id, 0x80000000 | names_at)
    tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 1, 0x80000000 | languages_at)
    tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 0x409, data_entry_at)
    most = (version[0] << 16) | version[1]
    least = (version[2] << 16) | version[3]
    fixed = struct.pack("<13I", signature, 0x10000, most, least, most, least, 0x3F, 0, 4, 2, 0, 0, 0)
    info = struct.pack("<HHH", 92, 52, 0) + (key + "\0").encode("utf-16-le") + b"\0\0" + fixed
    tree += struct.pack("<IIII", section_rva + info_at, data_size or len(info), 0, 0) + info
    raw = tree + b"\0" * (-len(tree) % 0x200)

    image = bytearray(raw_pointer)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", image, 0x44, 0x8664 if plus else 0x14C, 1, 0, 0, 0, optional_size, 0x2102)
    optional = 0x58
    struct.pack_into("<H", image, optional, 0x20B if plus else 0x10B)
    count_at, directories = (optional + 108, optional + 112) if plus else (optional + 92, optional + 96)
    struct.pack_into("<I", image, count_at, 16)
    if resource:
        struct.pack_into("<II", image, directories + 16, section_rva, len(tree))
    image[section_table:section_table + 8] = b".rsrc\0\0\0"
    struct.pack_into("<IIII", image, section_table + 8, len(tree), section_rva,
                     len(raw) if raw_size is None else raw_size(info_at), raw_pointer)
    data = bytes(image) + raw
    return data, raw_pointer + info_at + 40 + 16


class VersionResourceTest(unittest.TestCase):

    def test_the_fixed_file_version_of_pe32_and_pe32plus_images(self):
        for plus in (False, True):
            for version, text in (((3, 1, 0, 2), "3.1.0.2"), ((65535, 0, 65535, 1), "65535.0.65535.1"),
                                  ((0, 0, 0, 0), "0.0.0.0")):
                with self.subTest(plus=plus, version=version):
                    data, _ = make_pe(version, plus=plus)
                    self.assertEqual(make_distribution.read_file_version(data), text)
        # Only the version type counts, wherever it stands among the types.
        data, _ = make_pe((5, 6, 7, 8), types=(16,))
        self.assertEqual(make_distribution.read_file_version(data), "5.6.7.8")

    def test_files_without_a_readable_version_resource_give_none(self):
        cases = {
            "text": b"ZORV Client V3\r\n",
            "empty": b"",
            "bare MZ": b"MZ",
            "no PE signature": b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x40) + b"NE\0\0" + b"\0" * 400,
            "PE offset beyond the end": b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x7FFFFFF0),
            "no resource directory": make_pe(resource=False)[0],
            "no version type": make_pe(types=(3, 24))[0],
            "wrong fixed-block signature": make_pe(signature=0x12345678)[0],
            "wrong key": make_pe(key="VS_VERSION_INFX")[0],
            "version block too short": make_pe(data_size=60)[0],
            # The loader fills a section beyond its raw data with zeros, whatever the file holds there.
            "version block beyond the raw data": make_pe(raw_size=lambda info_at: info_at + 8)[0],
        }
        for name, data in cases.items():
            with self.subTest(name):
                self.assertIsNone(make_distribution.read_file_version(data))

    def test_cut_and_damaged_images_never_raise(self):
        data, needed = make_pe((3, 1, 0, 0))
        for length in range(0, len(data) + 1, 3):
            result = make_distribution.read_file_version(data[:length])
            self.assertEqual(result, "3.1.0.0" if length >= needed else None, "cut at %d" % length)
        # Damage in the headers and the resource tree: a version or None, no exception.
        generator = random.Random(4711)
        for _ in range(3000):
            damaged = bytearray(data)
            for _ in range(generator.randint(1, 4)):
                damaged[generator.randrange(0, needed)] = generator.randrange(256)
            result = make_distribution.read_file_version(bytes(damaged))
            self.assertTrue(result is None or isinstance(result, str))

    @unittest.skipUnless(WIN32_DIR, "the cross build's folder is not given (ZORV_WIN32_DIR)")
    def test_the_built_sample_distribution(self):
        folder = os.path.join(WIN32_DIR, "sample", "distribution")
        expected = {"zorvcore.dll": "3.1.0.0", "zorvui.dll": "3.1.0.2", "zorvclient.dll": "3.1.0.1",
                    "zorvc.exe": "3.1.0.3", "zorvsys.dll": "3.1.0.4", "readme.txt": None, "site.cnf": None}
        for name, version in expected.items():
            self.assertEqual(make_distribution.file_version(os.path.join(folder, name)), version, name)
        with open(os.path.join(folder, "zorv3.lst"), "rb") as handle:
            data = handle.read()
        self.assertTrue(data.endswith(b"\r\n"))
        lines = data.decode("cp1252").split("\r\n")[:-1]
        self.assertNotIn("\n", "".join(lines))
        records = [line.split(",") for line in lines if line[:1] in ("T", "I", "M")]
        sizes = {fields[1]: int(fields[2]) for fields in records if fields[0] in ("I", "M")}
        self.assertEqual(set(sizes), set(expected))
        for name, size in sizes.items():
            self.assertEqual(size, os.path.getsize(os.path.join(folder, name)), name)
        self.assertEqual([int(fields[1]) for fields in records if fields[0] == "T"], [sum(sizes.values())])
        # Each I and M record comes directly after the digest of its file.
        for index, line in enumerate(lines):
            if line[:1] in ("I", "M"):
                name = line.split(",")[1]
                with open(os.path.join(folder, name), "rb") as handle:
                    self.assertEqual(lines[index - 1], "D,%s,%s" % (name, sha256(handle.read())))
        self.assertEqual(len([line for line in lines if line.startswith("D,")]), len(sizes))
        if VENDOR_PRIVATE_KEY:
            self.assertEqual(lines[0], "N,1")
            signed, signature, _ = split_signature(data)
            with open(VENDOR_PRIVATE_KEY, "rb") as handle:
                key = serialization.load_pem_private_key(handle.read(), password=None)
            key.public_key().verify(signature, signed, padding.PKCS1v15(), hashes.SHA256())
        self.assertIn("", lines, "blank lines")
        self.assertTrue(any(line.startswith("#") for line in lines), "a comment")
        self.assertTrue(any(line[:1].islower() for line in lines), "a lower-case line")


def unescape(text):
    r"""A column of the line table: \r \n \t \0 \\ \xHH, and \{N} for N of the character before."""
    out = ""
    for plain, escape in re.findall(r"([^\\]*)(\\(?:x..|\{\d+\}|.)|$)", text):
        out += plain
        if escape[1:2] == "x":
            out += chr(int(escape[2:], 16))
        elif escape[1:2] == "{":
            out += out[-1] * (int(escape[2:-1]) - 1)
        elif escape:
            out += {"r": "\r", "n": "\n", "t": "\t", "0": "\0"}.get(escape[1], escape[1])
    return out


class ListLineTest(unittest.TestCase):

    def test_the_tool_reads_every_case_of_the_shared_table_as_the_installer(self):
        # The installer's unit test reads the same table (tests/unit/list_line_table_test.cpp).
        cases = []
        with open(os.path.join(SOURCE_DIR, "tests", "unit", "list_line_table.txt"), encoding="ascii") as handle:
            for columns in (row.split("\t") for row in handle.read().splitlines()):
                if columns[0] == "data":
                    cases.append((unescape(columns[1]), []))
                elif columns[0] == "line":
                    kind = unescape(columns[2])
                    cases[-1][1].append((int(columns[1]), "" if kind == "none" else kind,
                                         [unescape(column) for column in columns[3:]]))
        self.assertGreaterEqual(len(cases), 10)
        for data, expected in cases:
            with self.subTest(data=data[:40]):
                self.assertEqual([(taken,) + make_distribution.split_list_line(line)
                                  for taken, line in make_distribution.list_lines(data)], expected)


class DistributionFolderCase(unittest.TestCase):
    """A distribution folder with a versioned library, a versioned program and a text file."""

    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.folder = os.path.join(self.temporary.name, "dist")
        os.makedirs(self.folder)
        self.put("a.dll", make_pe((1, 2, 3, 4))[0])
        self.put("b.exe", make_pe((10, 0, 0, 1), plus=True)[0])
        self.put("notes.txt", b"no version here\r\n")
        self.template = os.path.join(self.temporary.name, "zorv3.lst.template")
        self.output = os.path.join(self.folder, "zorv3.lst")

    def tearDown(self):
        self.temporary.cleanup()

    def put(self, name, data):
        with open(os.path.join(self.folder, name), "wb") as handle:
            handle.write(data)

    def size(self, name):
        return os.path.getsize(os.path.join(self.folder, name))

    def digest(self, name):
        with open(os.path.join(self.folder, name), "rb") as handle:
            return sha256(handle.read())

    def run_tool(self, template_text, *options):
        with open(self.template, "wb") as handle:
            handle.write(template_text if isinstance(template_text, bytes) else template_text.encode("cp1252"))
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = make_distribution.main([self.folder, self.template] + list(options))
        return status, out.getvalue(), err.getvalue()

    def read_output(self):
        with open(self.output, "rb") as handle:
            return handle.read()


class TemplateTest(DistributionFolderCase):

    def test_a_full_template_becomes_the_list(self):
        template = ("## a note of the template only\n"
                    "# sample\n"
                    "T,{total}\n"
                    "\n"
                    "I,a.dll,{size},{version},client\n"
                    "I,notes.txt,{size},{version}\n"
                    "M,b.exe,{size},{version},client\n"
                    "i,ignored.dll,100,1.0.0.0\n"
                    "L,a.dll -x,client,Menu,Name,0\n"
                    "R,a.dll,client\n"
                    "H,Zorv.Client.Conf\n")
        a, notes, b = self.size("a.dll"), self.size("notes.txt"), self.size("b.exe")
        expected = ("# sample\r\n"
                    "T,%d\r\n"
                    "\r\n"
                    "D,a.dll,%s\r\n"
                    "I,a.dll,%d,1.2.3.4,client\r\n"
                    "D,notes.txt,%s\r\n"
                    "I,notes.txt,%d,0.0.0.0\r\n"
                    "D,b.exe,%s\r\n"
                    "M,b.exe,%d,10.0.0.1,client\r\n"
                    "i,ignored.dll,100,1.0.0.0\r\n"
                    "L,a.dll -x,client,Menu,Name,0\r\n"
                    "R,a.dll,client\r\n"
                    "H,Zorv.Client.Conf\r\n") % (a + notes + b, self.digest("a.dll"), a, self.digest("notes.txt"),
                                                   notes, self.digest("b.exe"), b)
        for ending in ("\n", "\r\n"):
            with self.subTest(ending=repr(ending)):
                status, out, err = self.run_tool(template.replace("\n", ending))
                self.assertEqual(status, 0, err)
                self.assertEqual(self.read_output().decode("cp1252"), expected)
                self.assertIn("3 components, %d bytes" % (a + notes + b), out)
                self.assertEqual(err, "")
        # The text for unversioned files is the vendor's choice; a template without a final line end keeps it so.
        status, _, err = self.run_tool("I,notes.txt,{size},{version}", "--unversioned", "1.0.0.0")
        self.assertEqual(status, 0, err)
        self.assertEqual(self.read_output(), b"D,notes.txt,%s\r\nI,notes.txt,%d,1.0.0.0\r\n"
                         % (self.digest("notes.txt").encode(), notes))

    def test_a_literal_record_counts_in_the_total_and_unlisted_files_are_warned_about(self):
        self.put("spare.dll", b"x" * 10)
        self.put("literal.dll", b"y" * 20)
        status, _, err = self.run_tool("T,{total}\nI,a.dll,{size},{version}\nI,literal.dll,500,2.0.0.0\n")
        self.assertEqual(status, 0, err)
        lines = self.read_output().decode("cp1252").split("\r\n")
        self.assertEqual(lines[0], "T,%d" % (self.size("a.dll") + 500))
        # A literal record's file is in the folder all the same: the digest is of its bytes.
        self.assertEqual(lines[3:5], ["D,literal.dll,%s" % sha256(b"y" * 20), "I,literal.dll,500,2.0.0.0"])
        self.assertIn("warning: b.exe", err)
        self.assertIn("warning: spare.dll", err)
        self.assertIn("warning: notes.txt", err)
        self.assertNotIn("a.dll", err)
        self.assertNotIn("zorv3.lst", err)

    def test_bad_templates_write_nothing_and_name_the_line(self):
        with open(self.output, "wb") as handle:
            handle.write(b"previous list\r\n")
        long_folder = "f" * 520
        # The longest line that fits: 509 characters and CR LF are the 511 bytes the installer reads at once.
        fits = "I,a.dll,{size},{version},"
        fits += "f" * (509 - len(fits.replace("{size}", str(self.size("a.dll"))).replace("{version}", "1.2.3.4")))
        status, _, err = self.run_tool(fits + "\n")
        self.assertEqual(status, 0, err)
        self.assertEqual(len(self.read_output().split(b"\r\n")[1]), 509)
        with open(self.output, "wb") as handle:
            handle.write(b"previous list\r\n")
        cases = (
            ("T,{total}\nI,a.dll,{size},{verison}\n", "line 2: unknown placeholder {verison}"),
            ("I,missing.dll,{size},{version},client\n", "line 1: the component missing.dll is not in"),
            ("L,a.dll,{size},Menu,Name\n", "line 1: {size} and {version} belong in I and M records"),
            ("# ok\nI,a.dll,{size}\n", "line 2: an I record needs a file, a size and a version"),
            ("i,a.dll,{size},{version}\n", "line 1: {size} and {version} belong in I and M records"),
            ("T,{total}\nL,a.dll,client,Menu,Name {x}\n", "line 2: unknown placeholder {x}"),
            ("I,a.dll,{version},{size}\n", "line 1: the size field '1.2.3.4' is not a byte count"),
            ("M,a.dll,{size},3.1\n", "line 1: the version field '3.1' is not of the form a.b.c.d"),
            ("I,{version},{size},{version}\n", "line 1: the file field holds a placeholder"),
            ("I,a.dll,{size},{version},%s\n" % long_folder, "line 1: longer than 511 bytes with its line end"),
            ("I,a.dll,{size},{version},%sf\n" % fits[len("I,a.dll,{size},{version},"):],
             "line 1: longer than 511 bytes with its line end"),
            ("# ok\nI,elsewhere.dll,500,2.0.0.0\n", "line 2: the component elsewhere.dll is not in"),
            ("D,a.dll,%s\nI,a.dll,{size},{version}\n" % ("0" * 64), "line 1: a digest record is written by the tool"),
            ("# ok\nN,7\n", "line 2: the serial record (--serial) is written by the tool"),
            ("I,a.dll,{size},{version}\nS,abc\n", "line 2: the signature record (--sign) is written by the tool"),
            # Types as the installer takes them, behind separators at the start of the line.
            (",D,a.dll,%s\nI,a.dll,{size},{version}\n" % ("0" * 64), "line 1: a digest record is written by the tool"),
            ("# ok\n,,N,7\n", "line 2: the serial record (--serial) is written by the tool"),
            ("I,a.dll,{size},{version}\n,S,abc\n", "line 2: the signature record (--sign) is written by the tool"),
            (",L,a.dll,{size},Menu,Name\n", "line 1: {size} and {version} belong in I and M records"),
            (",I,a.dll,{size}\n", "line 1: an I record needs a file, a size and a version"),
            ("T,{total}\nI,a.dll\0,{size},{version}\n", "line 2: a NUL byte, where the installer would end the line"),
            ("T,5\rI,a.dll,{size},{version}\n", "line 1: a CR inside the line, which the installer takes for a field"),
            ("\r\rT,5\n", "line 1: a CR inside the line"),
        )
        for template, message in cases:
            with self.subTest(template=template[:40]):
                status, _, err = self.run_tool(template)
                self.assertEqual(status, 1)
                self.assertIn(message, err)
                self.assertEqual(self.read_output(), b"previous list\r\n")
        status, _, err = self.run_tool("I,a.dll,{size},{version}\n", "--unversioned", "none")
        self.assertEqual((status, "is not of the form" in err), (1, True))
        status, _, err = self.run_tool(b"# ok\n\x81\n")
        self.assertEqual((status, "cannot read the template" in err), (1, True))
        with contextlib.redirect_stderr(io.StringIO()):
            self.assertEqual(make_distribution.main([os.path.join(self.folder, "nothing"), self.template]), 1)
            with self.assertRaises(SystemExit) as usage:
                make_distribution.main([self.folder])
        self.assertEqual(usage.exception.code, 2)
        self.assertEqual(self.read_output(), b"previous list\r\n")

    def test_records_behind_leading_separators_are_records(self):
        status, out, err = self.run_tool(",T,{total}\n,I,a.dll,{size},{version},client\n,,M,b.exe,{size},{version}\n"
                                         ",I,notes.txt,17,0.0.0.0\n,,,\n,i,x\n")
        self.assertEqual(status, 0, err)
        a, b = self.size("a.dll"), self.size("b.exe")
        self.assertEqual(self.read_output().decode("cp1252").split("\r\n"), [
            ",T,%d" % (a + b + 17),
            "D,a.dll,%s" % self.digest("a.dll"), ",I,a.dll,%d,1.2.3.4,client" % a,
            "D,b.exe,%s" % self.digest("b.exe"), ",,M,b.exe,%d,10.0.0.1" % b,
            "D,notes.txt,%s" % self.digest("notes.txt"), ",I,notes.txt,17,0.0.0.0",
            ",,,", ",i,x", ""])
        self.assertIn("3 components", out)

    def test_versions_that_order_otherwise_as_text_are_warned_about(self):
        template = "I,a.dll,{size},{version},client\nM,b.exe,{size},{version}\nI,notes.txt,{size},{version}\n"
        self.assertEqual(self.run_tool(template)[0::2], (0, ""))
        unwarned = self.read_output()
        previous = os.path.join(self.temporary.name, "old.lst")
        warned = ["make_distribution: warning: line 1: a.dll goes from 1.2.3.10 to 1.2.3.4, older as numbers but "
                  "newer as text; installers compare the texts and install it",
                  "make_distribution: warning: line 2: b.exe goes from 9.0.0.1 to 10.0.0.1, newer as numbers but "
                  "older as text; installers compare the texts and keep 9.0.0.1"]
        # The list --previous names, else the one written over; read as the installer reads it.
        for path, options in ((previous, ["--previous", previous]), (self.output, [])):
            with open(path, "wb") as handle:
                handle.write(b"N,3\r\nD,a.dll,00\r\n,,I,a.dll,5,1.2.3.10,client\r\nI,a.dll,5,0.9.0.0\r\n"
                             b"M,sys\\b.exe,1,9.0.0.1,sys\r\nI,notes.txt,1,0.0.0.0\r\nS,abc\r\n")
            status, _, err = self.run_tool(template, *options)
            self.assertEqual((status, err.splitlines(), self.read_output()), (0, warned, unwarned))
        with open(previous, "wb") as handle:
            handle.write(b"I,a.dll,5,1.2.3.3,client\r\nM,b.exe,1,10.0.0.0\r\nI,b.exe,1,99.0.0.0\r\n")
        self.assertEqual(self.run_tool(template, "--previous", previous)[0::2], (0, ""))
        status, _, err = self.run_tool(template, "--previous", previous + ".missing")
        self.assertEqual((status, "cannot read the previous list" in err), (1, True))

    def test_sizes_beyond_32_bits_are_refused(self):
        for name, size in (("huge.bin", 2 ** 31), ("half1.bin", 2 ** 30 + 1), ("half2.bin", 2 ** 30 + 1)):
            with open(os.path.join(self.folder, name), "wb") as handle:
                handle.truncate(size)
        status, _, err = self.run_tool("I,huge.bin,{size},{version}\n")
        self.assertEqual((status, "line 1: huge.bin is larger than a list can say" in err), (1, True))
        status, _, err = self.run_tool("T,{total}\nI,half1.bin,{size},{version}\nI,half2.bin,{size},{version}\n")
        self.assertEqual((status, "the total of 2147483650 bytes" in err), (1, True))
        self.assertFalse(os.path.exists(self.output))


@unittest.skipIf(rsa is None, "the Python package cryptography is missing (Debian: python3-cryptography)")
class SignedListTest(DistributionFolderCase):
    """Digest, serial and signature records."""

    TEMPLATE = "# signed\nT,{total}\nI,a.dll,{size},{version},client\nL,a.dll,client,Menu,A\nM,,b.exe,{size},{version}\n"

    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.TemporaryDirectory()
        cls.key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
        cls.key_path = cls.write_key("vendor.pem", cls.key)

    @classmethod
    def tearDownClass(cls):
        cls.keys.cleanup()

    @classmethod
    def write_key(cls, name, key, form=None, encryption=None):
        path = os.path.join(cls.keys.name, name)
        with open(path, "wb") as handle:
            handle.write(key.private_bytes(serialization.Encoding.PEM, form or serialization.PrivateFormat.PKCS8,
                                           encryption or serialization.NoEncryption()))
        return path

    def verify(self, data):
        signed, signature, line = split_signature(data)
        self.key.public_key().verify(signature, signed, padding.PKCS1v15(), hashes.SHA256())
        return signed, signature, line

    def test_digest_records_stand_directly_before_their_records(self):
        status, _, err = self.run_tool(self.TEMPLATE)
        self.assertEqual(status, 0, err)
        lines = self.read_output().decode("cp1252").split("\r\n")
        self.assertEqual(lines, ["# signed", "T,%d" % (self.size("a.dll") + self.size("b.exe")),
                                 "D,a.dll,%s" % self.digest("a.dll"),
                                 "I,a.dll,%d,1.2.3.4,client" % self.size("a.dll"),
                                 "L,a.dll,client,Menu,A",
                                 # The file field as the installer splits it: the empty field is dropped.
                                 "D,b.exe,%s" % self.digest("b.exe"),
                                 "M,,b.exe,%d,10.0.0.1" % self.size("b.exe"), ""])
        self.assertTrue(all(len(line) == 64 + len("D,a.dll,") for line in lines if line.startswith("D,a.dll")))
        self.assertFalse(any(line[:1] in ("N", "S") for line in lines), "no serial or signature unless asked")

    def test_a_digest_record_that_would_not_fit_is_refused(self):
        # Folders keep each path part within the file system's 255 bytes.
        parts = ("d" * 200, "e" * 200, "f" * 37 + ".dll")
        os.makedirs(os.path.join(self.folder, parts[0], parts[1]))
        self.put("/".join(parts), b"component")
        name = "\\".join(parts)
        record = "I,%s,9,1.0.0.0" % name
        self.assertLessEqual(len(record), 509)
        self.assertEqual(len("D,%s,%s" % (name, "0" * 64)), 510)
        with open(self.output, "wb") as handle:
            handle.write(b"previous list\r\n")
        status, _, err = self.run_tool("T,{total}\n%s\n" % record, "--sign", self.key_path)
        self.assertEqual(status, 1)
        self.assertIn("line 2: the digest record of %s would be longer than 511 bytes" % name, err)
        self.assertEqual(self.read_output(), b"previous list\r\n")
        # One character less and it fits: 509 characters and CR LF.
        os.rename(os.path.join(self.folder, *parts), os.path.join(self.folder, parts[0], parts[1], parts[2][1:]))
        name = "\\".join(parts[:2] + (parts[2][1:],))
        status, _, err = self.run_tool("T,{total}\nI,%s,9,1.0.0.0\n" % name)
        self.assertEqual(status, 0, err)
        self.assertIn(b"\r\nD,%s,%s\r\n" % (name.encode(), sha256(b"component").encode()), self.read_output())
        self.assertEqual(len("D,%s,%s" % (name, "0" * 64)), 509)

    def test_the_signature_verifies_over_every_byte_before_it(self):
        status, out, err = self.run_tool(self.TEMPLATE, "--sign", self.key_path)
        self.assertEqual(status, 0, err)
        self.assertIn(", signed", out)
        data = self.read_output()
        signed, signature, line = self.verify(data)
        self.assertEqual(len(line), 346 + 2)
        self.assertEqual(len(signature), 256)
        self.assertTrue(line.startswith(b"S,") and line.endswith(b"=\r\n") is (len(signature) % 3 != 0))
        self.assertEqual(data.count(b"\r\nS,"), 1)
        self.assertTrue(signed.startswith(b"# signed\r\n") and signed.endswith(b"\r\n"))
        # Unsigned, the same template gives exactly the signed bytes.
        status, _, err = self.run_tool(self.TEMPLATE)
        self.assertEqual(self.read_output(), signed)
        # One byte changed anywhere and the signature no longer holds.
        for offset in (0, len(signed) // 2, len(signed) - 3):
            damaged = bytearray(signed)
            damaged[offset] ^= 0x01
            with self.assertRaises(InvalidSignature):
                self.key.public_key().verify(signature, bytes(damaged), padding.PKCS1v15(), hashes.SHA256())
        # A traditional (PKCS#1) PEM signs the same way.
        traditional = self.write_key("traditional.pem", self.key, serialization.PrivateFormat.TraditionalOpenSSL)
        status, _, err = self.run_tool(self.TEMPLATE, "--sign", traditional)
        self.assertEqual(status, 0, err)
        self.assertEqual(self.verify(self.read_output())[0], signed)

    def test_the_serial_is_the_first_line_and_signed_with_the_rest(self):
        status, out, err = self.run_tool(self.TEMPLATE, "--serial", "41", "--sign", self.key_path)
        self.assertEqual(status, 0, err)
        self.assertIn("serial 41, signed", out)
        data = self.read_output()
        self.assertTrue(data.startswith(b"N,41\r\n# signed\r\nT,"))
        self.assertEqual(data.count(b"N,"), 1)
        self.verify(data)
        status, _, err = self.run_tool(self.TEMPLATE, "--serial", "4294967295")
        self.assertEqual(status, 0, err)
        self.assertTrue(self.read_output().startswith(b"N,4294967295\r\n# signed\r\n"))
        self.assertNotIn(b"\r\nS,", self.read_output())

    def test_bad_keys_and_serials_write_nothing(self):
        with open(self.output, "wb") as handle:
            handle.write(b"previous list\r\n")
        small = self.write_key("small.pem", rsa.generate_private_key(public_exponent=65537, key_size=1024))
        large = self.write_key("large.pem", rsa.generate_private_key(public_exponent=65537, key_size=3072))
        curve = self.write_key("curve.pem", ec.generate_private_key(ec.SECP256R1()))
        locked = self.write_key("locked.pem", self.key,
                                encryption=serialization.BestAvailableEncryption(b"secret"))
        public = os.path.join(self.keys.name, "public.pem")
        with open(public, "wb") as handle:
            handle.write(self.key.public_key().public_bytes(serialization.Encoding.PEM,
                                                            serialization.PublicFormat.SubjectPublicKeyInfo))
        cases = (
            (["--sign", small], "is a 1024-bit RSA key; the installer takes 2048-bit RSA keys only"),
            (["--sign", large], "is a 3072-bit RSA key; the installer takes 2048-bit RSA keys only"),
            (["--sign", curve], "is no RSA key"),
            (["--sign", locked], "is no unencrypted PEM private key"),
            (["--sign", public], "is no unencrypted PEM private key"),
            (["--sign", os.path.join(self.keys.name, "missing.pem")], "cannot read the key"),
            (["--serial", "-1"], "--serial '-1' is not a number from 0 to 4294967295"),
            (["--serial", "4294967296"], "is not a number from 0"),
            (["--serial", "+5"], "is not a number from 0"),
            (["--serial", "7a"], "is not a number from 0"),
            (["--serial", ""], "is not a number from 0"),
        )
        for options, message in cases:
            with self.subTest(options=options):
                status, _, err = self.run_tool(self.TEMPLATE, *options)
                self.assertEqual(status, 1)
                self.assertIn(message, err)
                self.assertEqual(self.read_output(), b"previous list\r\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
