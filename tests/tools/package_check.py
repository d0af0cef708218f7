"""The NuGet package and the release archive hold what an integrator needs, for
the right architecture each:

    package_check.py NUPKG ZIP

The NuGet package's targets file is read as MSBuild would read it for each
platform a native project can have: its conditions are evaluated, its paths
resolved inside the package, and what they name is checked (the include
folder with the headers, an import library and a DLL of that platform's
machine type, the skin); a platform without a build must stop the build.
"""
import os
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ET
import zipfile

import pefile

MSBUILD = "{http://schemas.microsoft.com/developer/msbuild/2003}"
MACHINE = {"Win32": 0x14C, "x64": 0x8664}
NUPKG = ZIP = None


def pe_machine(data):
    """The machine type of a PE image, or None."""
    try:
        return pefile.PE(data=data, fast_load=True).FILE_HEADER.Machine
    except pefile.PEFormatError:
        return None


def pe_exports(data):
    """Names a PE image exports."""
    pe = pefile.PE(data=data, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    return [e.name.decode() for e in exports.symbols if e.name] if exports else []


def import_library_machines(data):
    """Machine types of the COFF objects in an import library (ar archive)."""
    if data[:8] != b"!<arch>\n":
        return set()
    machines, position = set(), 8
    while position + 60 <= len(data):
        header = data[position:position + 60]
        size = int(header[48:58].decode().strip())
        name = header[:16].decode().strip()
        body = data[position + 60:position + 60 + size]
        # "/" and "//" are the symbol and name tables; "/123" names a member by offset.
        if name not in ("/", "//", "/SYM64/") and len(body) >= 2:
            machines.add(struct.unpack_from("<H", body, 0)[0])
        position += 60 + size + (size & 1)
    return machines


class Condition:
    """MSBuild conditions of the forms the targets file may use:
    '$(A)' == 'b', '$(A)' != 'b', joined with Or / And."""

    def __init__(self, properties):
        self.properties = properties

    def expand(self, text):
        return re.sub(r"\$\((\w+)\)", lambda m: self.properties.get(m.group(1), ""), text)

    def __call__(self, text):
        if text is None:
            return True
        for alternative in re.split(r"\s+Or\s+", text.strip(), flags=re.I):
            if all(self.comparison(part) for part in re.split(r"\s+And\s+", alternative, flags=re.I)):
                return True
        return False

    def comparison(self, text):
        match = re.fullmatch(r"\s*'([^']*)'\s*(==|!=)\s*'([^']*)'\s*", text)
        if not match:
            raise ValueError("condition not understood: %r" % text)
        left, right = self.expand(match.group(1)), self.expand(match.group(3))
        return (left == right) if match.group(2) == "==" else (left != right)


def evaluate(targets_xml, platform, this_dir):
    """What the targets file gives a project of this platform: the include
    folders, the link inputs, the items copied beside the program, and the
    errors raised before the build."""
    properties = {"Platform": platform, "MSBuildThisFileDirectory": this_dir}
    condition = Condition(properties)
    project = ET.fromstring(targets_xml)
    result = {"include": [], "link": [], "copy": [], "errors": []}
    for group in project.findall(MSBUILD + "PropertyGroup"):
        if condition(group.get("Condition")):
            for prop in group:
                if condition(prop.get("Condition")):
                    properties[prop.tag[len(MSBUILD):]] = condition.expand(prop.text or "")
    for group in project.findall(MSBUILD + "ItemDefinitionGroup"):
        if not condition(group.get("Condition")):
            continue
        for tool in group:
            for setting in tool:
                values = [v for v in condition.expand(setting.text or "").split(";") if v and not v.startswith("%(")]
                name = setting.tag[len(MSBUILD):]
                if name == "AdditionalIncludeDirectories":
                    result["include"] += values
                elif name == "AdditionalDependencies":
                    result["link"] += values
                elif name == "ImageHasSafeExceptionHandlers":
                    result["safeseh"] = values[0]
    items = {}
    for group in project.findall(MSBUILD + "ItemGroup"):
        if condition(group.get("Condition")):
            for item in group:
                items.setdefault(item.tag[len(MSBUILD):], []).append(condition.expand(item.get("Include")))
    for target in project.findall(MSBUILD + "Target"):
        if not condition(target.get("Condition")):
            continue
        for task in target:
            name = task.tag[len(MSBUILD):]
            if name == "Error":
                result["errors"].append(condition.expand(task.get("Text")))
            elif name == "Copy":
                for ref in re.findall(r"@\((\w+)", task.get("SourceFiles")):
                    result["copy"] += items.get(ref, [])
    return result


class NuGetPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.package = zipfile.ZipFile(NUPKG)
        cls.names = set(cls.package.namelist())

    def read(self, name):
        return self.package.read(name)

    def inside(self, path):
        """Names in the package that a resolved path (with wildcards) names."""
        path = path.replace("\\", "/")
        pattern = re.escape(path).replace(r"\*\*/", "(?:.*/)?").replace(r"\*", "[^/]*")
        return sorted(n for n in self.names if re.fullmatch(pattern, n))

    def test_manifest_and_packaging_parts(self):
        nuspecs = [n for n in self.names if n.endswith(".nuspec") and "/" not in n]
        self.assertEqual(len(nuspecs), 1)
        metadata = ET.fromstring(self.read(nuspecs[0])).find("{*}metadata")
        identifier, version = metadata.findtext("{*}id"), metadata.findtext("{*}version")
        self.assertEqual(nuspecs[0], identifier + ".nuspec")
        self.assertTrue(os.path.basename(NUPKG).startswith("%s.%s." % (identifier, version)))
        for field in ("authors", "description"):
            self.assertTrue(metadata.findtext("{*}" + field), field)
        # NuGet imports build/native/<id>.targets into native projects.
        self.assertIn("build/native/%s.targets" % identifier, self.names)
        # Every part has a content type; the relationships name real parts.
        types = ET.fromstring(self.read("[Content_Types].xml"))
        extensions = {d.get("Extension").lower() for d in types.findall("{*}Default")}
        for name in self.names - {"[Content_Types].xml"}:
            self.assertIn(name.rsplit(".", 1)[-1].lower(), extensions, name)
        for relation in ET.fromstring(self.read("_rels/.rels")).findall("{*}Relationship"):
            self.assertIn(relation.get("Target").lstrip("/"), self.names)

    def test_targets_give_each_platform_its_own_files(self):
        targets = [n for n in self.names if n.startswith("build/native/") and n.endswith(".targets")]
        self.assertEqual(len(targets), 1)
        xml = self.read(targets[0])
        for platform, machine_key in (("Win32", "Win32"), ("x86", "Win32"), ("x64", "x64")):
            with self.subTest(platform=platform):
                result = evaluate(xml, platform, "build/native/")
                self.assertEqual(result["errors"], [])
                headers = [n for d in result["include"] for n in self.inside(d.rstrip("\\/") + "/*.h")]
                self.assertIn("build/native/include/ZvAutoUpdate.h", headers)
                self.assertIn("build/native/include/UpdateConfiguration2.h", headers)
                libraries = [n for path in result["link"] for n in self.inside(path)]
                self.assertEqual(len(libraries), 1, result["link"])
                self.assertEqual(import_library_machines(self.read(libraries[0])), {MACHINE[machine_key]})
                # lld-link, like Microsoft's linker with /SAFESEH, refuses the GNU import objects on x86.
                if machine_key == "Win32":
                    self.assertEqual(result.get("safeseh"), "false")
                copied = [n for path in result["copy"] for n in self.inside(path)]
                dlls = [n for n in copied if n.lower().endswith(".dll")]
                self.assertEqual(len(dlls), 1, copied)
                dll = self.read(dlls[0])
                self.assertEqual(pe_machine(dll), MACHINE[machine_key])
                self.assertIn("DoAction", pe_exports(dll))
                # The whole default skin goes beside the program, bitmaps and all.
                skin = {n for n in self.names if n.startswith("build/native/skin/")}
                self.assertIn("build/native/skin/Bitmaps/ZvAutoUpdate/Dialogs/Update.ini", skin)
                self.assertEqual(skin - set(copied), set())

    def test_a_platform_without_a_build_stops_the_build(self):
        targets = [n for n in self.names if n.endswith(".targets")][0]
        for platform in ("ARM64", ""):
            with self.subTest(platform=platform):
                result = evaluate(self.read(targets), platform, "build/native/")
                self.assertEqual(len(result["errors"]), 1)
                self.assertEqual(result["link"], [])
                self.assertEqual(result["copy"], [])


class ReleaseArchive(unittest.TestCase):
    def test_holds_both_architectures_headers_sample_and_readme(self):
        archive = zipfile.ZipFile(ZIP)
        names = archive.namelist()
        tops = {n.split("/", 1)[0] for n in names}
        self.assertEqual(len(tops), 1, tops)
        top = tops.pop() + "/"
        for name in ("README.md", "include/ZvAutoUpdate.h", "include/UpdateConfiguration2.h",
                     "include/ZvOSAL/ZvString.h", "lib/cmake/ZvAutoUpdate/ZvAutoUpdateConfig.cmake",
                     "examples/SampleHost/SampleHost.cpp"):
            self.assertIn(top + name, names)
        for arch, platform in (("x86", "Win32"), ("x64", "x64")):
            with self.subTest(arch):
                dll = archive.read(top + "bin/%s/ZvAutoUpdate.dll" % arch)
                self.assertEqual(pe_machine(dll), MACHINE[platform])
                self.assertIn("DoAction", pe_exports(dll))
                sample = archive.read(top + "bin/%s/SampleHost.exe" % arch)
                self.assertEqual(pe_machine(sample), MACHINE[platform])
                # It loads the library by name at run time.
                self.assertTrue("ZvAutoUpdate.dll".encode("utf-16-le") in sample, "no ZvAutoUpdate.dll in SampleHost.exe")
                library = archive.read(top + "lib/%s/ZvAutoUpdate.lib" % arch)
                self.assertEqual(import_library_machines(library), {MACHINE[platform]})
                self.assertIn(top + "bin/%s/Bitmaps/ZvAutoUpdate/Dialogs/Update.ini" % arch, names)
        self.assertIn(b"ZvAutoUpdate", archive.read(top + "README.md"))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: package_check.py NUPKG ZIP")
    NUPKG, ZIP = sys.argv[1], sys.argv[2]
    del sys.argv[1:3]
    unittest.main(verbosity=2)
