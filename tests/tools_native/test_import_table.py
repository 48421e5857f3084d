"""installer.exe's import table, read with a small PE reader: the loader of
Windows 98 and ME refuses a program that imports, by name, a function its
system libraries do not have. Functions that came later must be looked up at
run time. The program imports only libraries that the system takes from its
own folder whatever lies beside the program (known libraries; comctl32 by
the manifest)."""

import os
import struct
import unittest

WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")
INSTALLER = os.path.join(WIN32_DIR, "installer", "installer.exe")
# The key-built installer, code-signed when the build has a certificate.
SIGNED_INSTALLER = os.path.join(WIN32_DIR, "installer", "signed", "installer.exe")

# Functions that Windows 98 SE does not have, with the system that brought
# them. Those the installer uses or could be expected to use; not complete.
LATER_FUNCTIONS = {
    "kernel32.dll": {
        "SetDefaultDllDirectories": "Windows 8 (Vista and 7 with KB2533623)",
        "AddDllDirectory": "Windows 8 (Vista and 7 with KB2533623)",
        "RemoveDllDirectory": "Windows 8 (Vista and 7 with KB2533623)",
        "SetDllDirectoryA": "Windows XP SP1",
        "GetModuleHandleExA": "Windows XP",
        "CreateHardLinkA": "Windows 2000",
        "GetFileSizeEx": "Windows 2000",
        "SetFilePointerEx": "Windows 2000",
        "MoveFileWithProgressA": "Windows 2000",
        "ReplaceFileA": "Windows 2000",
        "GetFileInformationByHandleEx": "Windows Vista",
        "GetFinalPathNameByHandleA": "Windows Vista",
        "CreateSymbolicLinkA": "Windows Vista",
        "GetTickCount64": "Windows Vista",
        "IsWow64Process": "Windows XP SP2",
        "GetNativeSystemInfo": "Windows XP",
    },
    "advapi32.dll": {
        "ConvertStringSidToSidA": "Windows 2000",
        "ConvertSidToStringSidA": "Windows 2000",
        "CheckTokenMembership": "Windows 2000",
        "CreateWellKnownSid": "Windows XP",
        "GetNamedSecurityInfoA": "Windows NT 4.0, not the 9x family",
        "SetNamedSecurityInfoA": "Windows NT 4.0, not the 9x family",
        "GetSecurityInfo": "Windows NT 4.0, not the 9x family",
        "SetSecurityInfo": "Windows NT 4.0, not the 9x family",
        "SetEntriesInAclA": "Windows NT 4.0, not the 9x family",
        "RegGetValueA": "Windows Vista",
        "RegDeleteKeyExA": "Windows Vista",
    },
    "shell32.dll": {
        "IsUserAnAdmin": "Windows 2000 (by ordinal), XP by name",
        "SHGetFolderPathA": "Windows ME and 2000",
        "SHCreateDirectoryExA": "Windows ME and 2000",
        "SHGetKnownFolderPath": "Windows Vista",
        "SHParseDisplayName": "Windows XP",
    },
    "user32.dll": {
        "SetLayeredWindowAttributes": "Windows 2000",
        "UpdateLayeredWindow": "Windows 2000",
        "AllowSetForegroundWindow": "Windows ME and 2000",
        "PrintWindow": "Windows XP",
    },
    "comctl32.dll": {
        "TaskDialogIndirect": "Windows Vista (Common Controls 6)",
        "SetWindowSubclass": "Windows XP by name (Common Controls 6)",
        "DefSubclassProc": "Windows XP by name (Common Controls 6)",
        "RemoveWindowSubclass": "Windows XP by name (Common Controls 6)",
    },
    "ws2_32.dll": {
        "getaddrinfo": "Windows XP",
        "freeaddrinfo": "Windows XP",
        "getnameinfo": "Windows XP",
        "inet_pton": "Windows Vista",
        "WSAPoll": "Windows Vista",
    },
}

# Known libraries of the system (the loader takes them from the system folder
# on Windows Vista to 11), and comctl32, which the manifest takes from the
# side-by-side store. VERSION.dll, for one, is not among them.
SYSTEM_FOLDER_LIBRARIES = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                           "oleaut32.dll", "comctl32.dll", "ws2_32.dll", "msvcrt.dll"}


class PeError(Exception):
    pass


def read_imports(path):
    """{library name in lower case: [function name, or "#ordinal"]} of a 32-bit PE file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise PeError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    sections_count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x10B:
        raise PeError("not a 32-bit image")
    directories = optional + 96
    import_rva, import_size = struct.unpack_from("<II", data, directories + 8)
    sections = []
    for i in range(sections_count):
        header = optional + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
        sections.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(rva):
        for address, size, raw in sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise PeError("address %#x is in no section" % rva)

    def text(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    imports = {}
    if import_rva == 0:
        return imports
    descriptor = offset(import_rva)
    while True:
        lookup, _, _, name_rva, first_thunk = struct.unpack_from("<IIIII", data, descriptor)
        if name_rva == 0:
            break
        functions = imports.setdefault(text(name_rva).lower(), [])
        thunk = offset(lookup or first_thunk)
        while True:
            entry, = struct.unpack_from("<I", data, thunk)
            if entry == 0:
                break
            functions.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000 else text(entry + 2))
            thunk += 4
        descriptor += 20
    return imports


class ImportTableTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(INSTALLER):
            raise AssertionError("installer.exe not built (ZORV_WIN32_DIR=%r)" % WIN32_DIR)
        cls.imports = {path: read_imports(path) for path in (INSTALLER, SIGNED_INSTALLER) if os.path.isfile(path)}

    def test_the_reader_sees_the_imports(self):
        for path, imports in self.imports.items():
            with self.subTest(path):
                self.assertIn("CreateFileA", imports.get("kernel32.dll", []))
                self.assertIn("MessageBoxA", imports.get("user32.dll", []))
                self.assertIn("PropertySheetA", imports.get("comctl32.dll", []))

    def test_no_function_that_windows_98_lacks_is_imported(self):
        for path, imports in self.imports.items():
            found = ["%s!%s (%s)" % (library, name, later[name])
                     for library, names in imports.items()
                     for later in [LATER_FUNCTIONS.get(library, {})]
                     for name in names if name in later]
            self.assertEqual(found, [], "%s: look these up at run time" % path)

    def test_only_libraries_of_the_system_folder_are_imported(self):
        for path, imports in self.imports.items():
            others = sorted(set(imports) - SYSTEM_FOLDER_LIBRARIES)
            self.assertEqual(others, [], "%s: a library of this name beside it would be loaded instead" % path)

if __name__ == "__main__":
    unittest.main(verbosity=2)
