#!/usr/bin/python3
"""Makes the distribution packages from the two built architectures, with no
Windows tool:

    tools/package.py [--build-root build] [--out dist]

1. Installs build/x64 and build/x86 into OUT/stage/ZvAutoUpdate-VERSION
   (cmake --install: bin/x64, bin/x86, lib/x64, lib/x86, include/, the CMake
   package configuration).
2. OUT/ZvAutoUpdate.VERSION.nupkg: a NuGet package for native C++ projects.
   build/native/ZvAutoUpdate.targets adds the include folder and the import
   library of the project's platform (Win32 or x64) and copies the DLL and the
   default skin beside the program.
3. OUT/ZvAutoUpdate-VERSION.zip: the release archive: the installed package
   plus the sample host (program and sources) for both architectures and the
   README.

Both files are reproducible: entries in a fixed order with a fixed time.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
PACKAGE_ID = "ZvAutoUpdate"
ARCHES = (("x64", "x64"), ("x86", "Win32"))  # install folder, MSBuild platform
ZIP_TIME = (2024, 1, 1, 0, 0, 0)

TARGETS = r"""<?xml version="1.0" encoding="utf-8"?>
<!-- ZvAutoUpdate for native C++ projects (Win32 and x64): the include folder,
     the import library of the project's platform, and the DLL with the default
     skin of the update dialogs (Bitmaps\ZvAutoUpdate\) copied beside the program. -->
<Project ToolsVersion="4.0" xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <PropertyGroup>
    <ZvAutoUpdatePlatform Condition="'$(Platform)' == 'Win32' Or '$(Platform)' == 'x86'">Win32</ZvAutoUpdatePlatform>
    <ZvAutoUpdatePlatform Condition="'$(Platform)' == 'x64'">x64</ZvAutoUpdatePlatform>
  </PropertyGroup>
  <ItemDefinitionGroup>
    <ClCompile>
      <AdditionalIncludeDirectories>$(MSBuildThisFileDirectory)include;%(AdditionalIncludeDirectories)</AdditionalIncludeDirectories>
    </ClCompile>
  </ItemDefinitionGroup>
  <ItemDefinitionGroup Condition="'$(ZvAutoUpdatePlatform)' != ''">
    <Link>
      <AdditionalDependencies>$(MSBuildThisFileDirectory)lib\$(ZvAutoUpdatePlatform)\ZvAutoUpdate.lib;%(AdditionalDependencies)</AdditionalDependencies>
    </Link>
  </ItemDefinitionGroup>
  <!-- The import library comes from the GNU tools: its objects carry no
       safe-exception-handler table, so a Win32 image that links it has none. -->
  <ItemDefinitionGroup Condition="'$(ZvAutoUpdatePlatform)' == 'Win32'">
    <Link>
      <ImageHasSafeExceptionHandlers>false</ImageHasSafeExceptionHandlers>
    </Link>
  </ItemDefinitionGroup>
  <ItemGroup Condition="'$(ZvAutoUpdatePlatform)' != ''">
    <ZvAutoUpdateRuntime Include="$(MSBuildThisFileDirectory)bin\$(ZvAutoUpdatePlatform)\ZvAutoUpdate.dll" />
    <ZvAutoUpdateSkin Include="$(MSBuildThisFileDirectory)skin\**\*" />
  </ItemGroup>
  <Target Name="ZvAutoUpdateCheckPlatform" BeforeTargets="PrepareForBuild" Condition="'$(ZvAutoUpdatePlatform)' == ''">
    <Error Text="ZvAutoUpdate has no build for the platform '$(Platform)': it has Win32 (x86) and x64." />
  </Target>
  <Target Name="ZvAutoUpdateCopyRuntime" AfterTargets="Build" Condition="'$(ZvAutoUpdatePlatform)' != ''">
    <Copy SourceFiles="@(ZvAutoUpdateRuntime)" DestinationFolder="$(OutDir)" SkipUnchangedFiles="true" />
    <Copy SourceFiles="@(ZvAutoUpdateSkin)" DestinationFiles="@(ZvAutoUpdateSkin->'$(OutDir)%(RecursiveDir)%(Filename)%(Extension)')" SkipUnchangedFiles="true" />
  </Target>
</Project>
"""

NUSPEC = """<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://schemas.microsoft.com/packaging/2013/05/nuspec.xsd">
  <metadata>
    <id>{id}</id>
    <version>{version}</version>
    <title>ZvAutoUpdate</title>
    <authors>ZvAutoUpdate</authors>
    <requireLicenseAcceptance>false</requireLicenseAcceptance>
    <description>ZvAutoUpdate.dll for native C++ programs (Win32 and x64): the update check, download, Authenticode check and interactive update dialogs. The package adds the include folder and the import library and copies the DLL and its default skin beside the program.</description>
    <tags>native update autoupdate</tags>
  </metadata>
</package>
"""


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def package_version(stage):
    path = os.path.join(stage, "lib", "cmake", PACKAGE_ID, "ZvAutoUpdateConfigVersion.cmake")
    with open(path) as f:
        match = re.search(r'set\(PACKAGE_VERSION "([^"]+)"\)', f.read())
    if not match:
        sys.exit("package.py: no version in %s" % path)
    return match.group(1)


def files_under(folder):
    found = []
    for base, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(base, name)
            found.append((os.path.relpath(path, folder).replace(os.sep, "/"), path))
    return found


def write_zip(path, entries):
    """entries: (name in the archive, file path or bytes), written sorted."""
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, source in sorted(entries, key=lambda e: e[0]):
            info = zipfile.ZipInfo(name, ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            if isinstance(source, bytes):
                archive.writestr(info, source)
            else:
                with open(source, "rb") as f:
                    archive.writestr(info, f.read())
    os.replace(tmp, path)


def nupkg_entries(stage, version):
    entries = [("%s.nuspec" % PACKAGE_ID, NUSPEC.format(id=PACKAGE_ID, version=version).encode()),
               ("build/native/%s.targets" % PACKAGE_ID, TARGETS.encode()),
               ("README.md", os.path.join(ROOT, "README.md"))]
    entries += [("build/native/include/" + n, p) for n, p in files_under(os.path.join(stage, "include"))]
    for folder, platform in ARCHES:
        entries.append(("build/native/lib/%s/ZvAutoUpdate.lib" % platform,
                        os.path.join(stage, "lib", folder, "ZvAutoUpdate.lib")))
        entries.append(("build/native/bin/%s/ZvAutoUpdate.dll" % platform,
                        os.path.join(stage, "bin", folder, "ZvAutoUpdate.dll")))
    entries += [("build/native/skin/Bitmaps/" + n, p)
                for n, p in files_under(os.path.join(stage, "bin", "x64", "Bitmaps"))]

    # The Open Packaging Conventions parts that NuGet reads and writes.
    core = "%s.psmdcp" % hashlib.sha256(("%s %s" % (PACKAGE_ID, version)).encode()).hexdigest()[:32]
    entries.append(("package/services/metadata/core-properties/" + core, (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        '<coreProperties xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
        'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" '
        'xmlns="http://schemas.openxmlformats.org/package/2006/metadata/core-properties">'
        "<dc:creator>ZvAutoUpdate</dc:creator><dc:identifier>%s</dc:identifier><version>%s</version>"
        "<keywords>native update autoupdate</keywords><lastModifiedBy>tools/package.py</lastModifiedBy>"
        "</coreProperties>\n" % (PACKAGE_ID, version)).encode()))
    entries.append(("_rels/.rels", (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Type="http://schemas.microsoft.com/packaging/2010/07/manifest" Target="/%s.nuspec" Id="R1" />'
        '<Relationship Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" '
        'Target="/package/services/metadata/core-properties/%s" Id="R2" />'
        "</Relationships>\n" % (PACKAGE_ID, core)).encode()))
    extensions = sorted({n.rsplit(".", 1)[1] for n, _ in entries if "." in n.rsplit("/", 1)[-1]} - {"rels", "psmdcp"})
    types = ['<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml" />',
             '<Default Extension="psmdcp" '
             'ContentType="application/vnd.openxmlformats-package.core-properties+xml" />']
    types += ['<Default Extension="%s" ContentType="application/octet" />' % e for e in extensions]
    entries.append(("[Content_Types].xml", (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">%s</Types>\n'
        % "".join(types)).encode()))
    return entries


def zip_entries(stage, samples, version):
    top = "ZvAutoUpdate-%s/" % version
    entries = [(top + n, p) for n, p in files_under(stage)]
    entries += [(top + n, p) for n, p in files_under(samples)]
    entries.append((top + "README.md", os.path.join(ROOT, "README.md")))
    sources = os.path.join(ROOT, "examples", "SampleHost")
    entries += [(top + "examples/SampleHost/" + n, p) for n, p in files_under(sources)]
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-root", default=os.path.join(ROOT, "build"))
    parser.add_argument("--out", default=os.path.join(ROOT, "dist"))
    args = parser.parse_args()

    for folder, _ in ARCHES:
        dll = os.path.join(args.build_root, folder, "bin", "ZvAutoUpdate.dll")
        if not os.path.isfile(dll):
            sys.exit("package.py: %s is missing: build both architectures first (tools/build.sh all)" % dll)
    work = os.path.join(args.out, "stage")
    shutil.rmtree(work, ignore_errors=True)
    unversioned = os.path.join(work, "package")
    samples = os.path.join(work, "samples")
    for folder, _ in ARCHES:
        tree = os.path.join(args.build_root, folder)
        run("cmake", "--install", tree, "--prefix", unversioned)
        run("cmake", "--install", tree, "--prefix", samples, "--component", "Sample")
    version = package_version(unversioned)
    stage = os.path.join(work, "ZvAutoUpdate-%s" % version)
    os.replace(unversioned, stage)

    nupkg = os.path.join(args.out, "%s.%s.nupkg" % (PACKAGE_ID, version))
    archive = os.path.join(args.out, "ZvAutoUpdate-%s.zip" % version)
    write_zip(nupkg, nupkg_entries(stage, version))
    write_zip(archive, zip_entries(stage, samples, version))
    print("package.py: %s (installed), %s, %s" % (stage, nupkg, archive))
    return 0


if __name__ == "__main__":
    sys.exit(main())
