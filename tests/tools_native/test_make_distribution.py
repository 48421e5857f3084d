"""The distribution tool: version resources read from PE files, and the list
it writes from a template and a folder."""

import contextlib
import io
import os
import random
import struct
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

import make_distribution  # noqa: E402

WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")


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
        self.assertIn("", lines, "blank lines")
        self.assertTrue(any(line.startswith("#") for line in lines), "a comment")
        self.assertTrue(any(line[:1].islower() for line in lines), "a lower-case line")


class TemplateTest(unittest.TestCase):

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
                    "I,a.dll,%d,1.2.3.4,client\r\n"
                    "I,notes.txt,%d,0.0.0.0\r\n"
                    "M,b.exe,%d,10.0.0.1,client\r\n"
                    "i,ignored.dll,100,1.0.0.0\r\n"
                    "L,a.dll -x,client,Menu,Name,0\r\n"
                    "R,a.dll,client\r\n"
                    "H,Zorv.Client.Conf\r\n") % (a + notes + b, a, notes, b)
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
        self.assertEqual(self.read_output(), b"I,notes.txt,%d,1.0.0.0\r\n" % notes)

    def test_a_literal_record_counts_in_the_total_and_unlisted_files_are_warned_about(self):
        self.put("spare.dll", b"x" * 10)
        status, _, err = self.run_tool("T,{total}\nI,a.dll,{size},{version}\nI,elsewhere.dll,500,2.0.0.0\n")
        self.assertEqual(status, 0, err)
        lines = self.read_output().decode("cp1252").split("\r\n")
        self.assertEqual(lines[0], "T,%d" % (self.size("a.dll") + 500))
        self.assertIn("warning: b.exe", err)
        self.assertIn("warning: spare.dll", err)
        self.assertIn("warning: notes.txt", err)
        self.assertNotIn("a.dll", err)
        self.assertNotIn("zorv3.lst", err)

    def test_bad_templates_write_nothing_and_name_the_line(self):
        with open(self.output, "wb") as handle:
            handle.write(b"previous list\r\n")
        long_folder = "f" * 520
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
            ("I,a.dll,{size},{version},%s\n" % long_folder, "line 1: longer than 511 characters"),
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

    def test_sizes_beyond_32_bits_are_refused(self):
        for name, size in (("huge.bin", 2 ** 31), ("half1.bin", 2 ** 30 + 1), ("half2.bin", 2 ** 30 + 1)):
            with open(os.path.join(self.folder, name), "wb") as handle:
                handle.truncate(size)
        status, _, err = self.run_tool("I,huge.bin,{size},{version}\n")
        self.assertEqual((status, "line 1: huge.bin is larger than a list can say" in err), (1, True))
        status, _, err = self.run_tool("T,{total}\nI,half1.bin,{size},{version}\nI,half2.bin,{size},{version}\n")
        self.assertEqual((status, "the total of 2147483650 bytes" in err), (1, True))
        self.assertFalse(os.path.exists(self.output))


if __name__ == "__main__":
    unittest.main(verbosity=2)
