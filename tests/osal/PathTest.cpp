// ZvPath through the DLL, as a host uses it: splitting, building, the queries,
// comparison, the string helpers, special folders and the exported constants.
#include "ZvOSAL/ZvPath.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

std::wstring W(const ZvString& s) { return std::wstring(s.c_str(), static_cast<size_t>(s.GetLength())); }
std::wstring W(const ZvPath& p) { return W(p.ToString()); }

struct Parts {
    std::wstring root, dir, name, ext;
};

Parts PartsOf(const ZvPath& path)
{
    return Parts{W(path.GetRoot()), W(path.GetDir()), W(path.GetFileName()), W(path.GetExt())};
}

void ExpectParts(const wchar_t* text, const wchar_t* root, const wchar_t* dir, const wchar_t* name,
                 const wchar_t* ext)
{
    SCOPED_TRACE(testing::Message() << "path " << std::wstring(text));
    Parts parts = PartsOf(ZvPath(text));
    EXPECT_EQ(root, parts.root);
    EXPECT_EQ(dir, parts.dir);
    EXPECT_EQ(name, parts.name);
    EXPECT_EQ(ext, parts.ext);
}

std::wstring WithSeparator(std::wstring s)
{
    if (!s.empty() && s.back() != L'\\')
        s += L'\\';
    return s;
}

std::wstring ShellFolder(int csidl)
{
    // What the shell writes counts, also with a "does not exist" answer.
    wchar_t buffer[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE);
    return WithSeparator(buffer);
}

std::wstring ModuleFile()
{
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

} // namespace

// ---- Splitting ----

TEST(PathSplit, LocalPathsSplitIntoRootDirectoryNameAndExtension)
{
    ExpectParts(L"C:\\a\\b\\file.txt", L"C:", L"\\a\\b\\", L"file", L".txt");
    ExpectParts(L"a\\b.tar.gz", L"", L"a\\", L"b.tar", L".gz");
    ExpectParts(L"README", L"", L"", L"README", L"");
    // A drive without a directory means its root directory.
    ExpectParts(L"C:file.txt", L"C:", L"\\", L"file", L".txt");
    // A leading dot is the extension of a local path.
    ExpectParts(L"C:\\home\\.profile", L"C:", L"\\home\\", L"", L".profile");
    // Forward and doubled separators are repaired for splitting only.
    ExpectParts(L"C:/a//b/c.txt", L"C:", L"\\a\\b\\", L"c", L".txt");
    EXPECT_EQ(L"C:/a//b/c.txt", W(ZvPath(L"C:/a//b/c.txt")));
}

TEST(PathSplit, DriveOnlyAssignmentGainsTheRootDirectory)
{
    EXPECT_EQ(L"c:\\", W(ZvPath(L"c:")));
    EXPECT_EQ(L"c:\\dir", W(ZvPath(L"c:\\dir")));
    EXPECT_EQ(L"1:", W(ZvPath(L"1:"))); // not a drive letter
    EXPECT_EQ(L"C:x", W(ZvPath(L"C:x")));
    ZvPath path;
    path = ZvString(L"D:");
    EXPECT_EQ(L"D:\\", W(path));
    EXPECT_EQ(L"\\", W(path.GetDir()));
}

TEST(PathSplit, UncServerAndShareRoots)
{
    ExpectParts(L"\\\\server\\share\\dir\\f.txt", L"\\\\server\\share", L"\\dir\\", L"f", L".txt");
    ExpectParts(L"\\\\server\\share", L"\\\\server\\share", L"\\", L"", L"");
    ExpectParts(L"\\\\server\\share\\", L"\\\\server\\share", L"\\", L"", L"");
    ExpectParts(L"\\\\server", L"\\\\server", L"", L"", L"");

    ZvPath share(L"\\\\server\\share\\");
    EXPECT_TRUE(share.IsUNC());
    EXPECT_TRUE(share.IsUNCServerShare()); // the trailing "\" of a share root is ignored
    EXPECT_FALSE(share.IsUNCServer());
    EXPECT_TRUE(ZvPath(L"\\\\server\\share").IsRoot());
    EXPECT_EQ(ZvPath::ePathType_UNC, share.GetPathType());
    EXPECT_EQ(ZvPath::eDrive_None, share.GetDriveNumber());

    ZvPath server(L"\\\\server");
    EXPECT_TRUE(server.IsUNCServer());
    EXPECT_FALSE(server.IsUNCServerShare());
    EXPECT_TRUE(server.IsNetwork());

    // A share root given with its separator loses it when a path is built.
    ZvPath built;
    EXPECT_TRUE(built.MakePath(L"\\\\server\\share\\", L"dir", L"f", L"txt"));
    EXPECT_EQ(L"\\\\server\\share\\dir\\f.txt", W(built));
    EXPECT_TRUE(built.SetExt(L"doc"));
    EXPECT_EQ(L"\\\\server\\share\\dir\\f.doc", W(built));
    EXPECT_EQ(L"\\\\server\\share", W(built.GetRoot()));
}

TEST(PathSplit, UrlFormPathsKeepTheirText)
{
    ExpectParts(L"http://h/dir/file.ext", L"http://h", L"/dir/", L"file", L".ext");
    ExpectParts(L"https://example.com/a.b/c", L"https://example.com", L"/a.b/", L"c", L"");
    ExpectParts(L"http://h", L"http://h", L"", L"", L"");
    ExpectParts(L"http://h/", L"http://h", L"/", L"", L"");
    // A last component that starts with its only dot stays whole.
    ExpectParts(L"http://h/d/.profile", L"http://h", L"/d/", L".profile", L"");

    ZvPath url(L"http://h/dir/file.ext");
    EXPECT_TRUE(url.IsURL());
    EXPECT_TRUE(url.IsNetwork());
    EXPECT_FALSE(url.IsUNC());
    EXPECT_EQ(ZvPath::ePathType_URL, url.GetPathType());
    Parts parts = PartsOf(url);
    EXPECT_EQ(W(url), parts.root + parts.dir + parts.name + parts.ext);
}

TEST(PathSplit, ComponentsFollowEachAssignment)
{
    ZvPath path(L"C:\\a\\x.txt");
    EXPECT_EQ(L".txt", W(path.GetExt())); // only name and extension split so far
    path = L"\\\\srv\\sh\\y.doc";
    EXPECT_EQ(L".doc", W(path.GetExt()));
    EXPECT_EQ(L"\\\\srv\\sh", W(path.GetRoot()));
    ZvPath copy(path);
    path = ZvPath(L"D:\\z");
    EXPECT_EQ(L"y", W(copy.GetFileName()));
    EXPECT_EQ(L"D:", W(path.GetRoot()));
    EXPECT_EQ(L"z", W(path.GetFileName()));
    EXPECT_EQ(L"", W(path.GetExt()));
}

TEST(PathSplit, DerivedComponents)
{
    ZvPath path(L"C:\\a\\b\\file.txt");
    EXPECT_EQ(L"C:\\a\\b\\", W(path.GetRootAndDir()));
    EXPECT_EQ(L"file.txt", W(path.GetFileNameAndExt()));
    EXPECT_EQ(L"C:\\a\\b\\file", W(path.GetPathWithoutExtension()));
    EXPECT_EQ(L"\\a\\b\\file.txt", W(path.GetPathWithoutRoot()));
    EXPECT_EQ(L"b", W(path.GetDirLastComponent()));
    EXPECT_EQ(ZvPath::eDrive_C, path.GetDriveNumber());
    EXPECT_EQ(L"", W(ZvPath(L"a\\f.txt").GetDirLastComponent())); // no earlier separator
    EXPECT_EQ(L"\\\\s\\h\\", W(ZvPath(L"\\\\s\\h").GetRootAndDir()));

    ZvString root, dir, name, ext;
    EXPECT_TRUE(ZvPath::SplitPath(path, root, dir, name, ext));
    EXPECT_EQ(L"C:", W(root));
    EXPECT_EQ(L"\\a\\b\\", W(dir));
    EXPECT_EQ(L"file", W(name));
    EXPECT_EQ(L".txt", W(ext));
}

// ---- Building ----

TEST(PathBuild, MakePathNormalisesEachComponent)
{
    ZvPath path;
    EXPECT_TRUE(path.MakePath(L"C", L"a\\b", L"f", L"txt"));
    EXPECT_EQ(L"C:\\a\\b\\f.txt", W(path));
    EXPECT_TRUE(path.MakePath(L"C:\\", L"\\a\\\\", L"f", L".txt"));
    EXPECT_EQ(L"C:\\a\\f.txt", W(path));
    // Trailing separators, then trailing white space leave the directory.
    EXPECT_TRUE(path.MakePath(L"D:", L"a \\", L"f", L""));
    EXPECT_EQ(L"D:\\a\\f", W(path));
    // A root alone is its root directory.
    EXPECT_TRUE(path.MakePath(L"C", L"", L"", L""));
    EXPECT_EQ(L"C:\\", W(path));
    EXPECT_TRUE(path.MakePath(ZvPath::eDrive_D, ZvString(L"x"), ZvString(L"y"), ZvString(L"z")));
    EXPECT_EQ(L"D:\\x\\y.z", W(path));
    // Without a root the directory keeps its form.
    EXPECT_TRUE(path.MakePath(nullptr, L"a/b/", L"f", nullptr));
    EXPECT_EQ(L"a/b/f", W(path));
}

TEST(PathBuild, TrailingSpaceInExtensionOrNameIsTrimmedAndReported)
{
    ZvPath path;
    EXPECT_FALSE(path.MakePath(L"C:", L"a", L"f", L"txt "));
    EXPECT_EQ(L"C:\\a\\f.txt", W(path));
    EXPECT_FALSE(path.MakePath(L"C:", L"a", L"name ", L""));
    EXPECT_EQ(L"C:\\a\\name", W(path));
    // With an extension only the extension is judged: the name keeps its space.
    EXPECT_TRUE(path.MakePath(L"C:", L"a", L"name ", L"txt"));
    EXPECT_EQ(L"C:\\a\\name .txt", W(path));
}

TEST(PathBuild, ExtensionSetters)
{
    ZvPath path(L"C:\\a\\f.txt");
    EXPECT_TRUE(path.SetExt(L"zip"));
    EXPECT_EQ(L"C:\\a\\f.zip", W(path));
    EXPECT_TRUE(path.SetExt(L".tar"));
    EXPECT_EQ(L"C:\\a\\f.tar", W(path));
    EXPECT_TRUE(path.SetExt(L""));
    EXPECT_EQ(L"C:\\a\\f", W(path));

    path = L"C:\\a\\f.txt";
    EXPECT_TRUE(path.SetFileNameAndExt(L"new.tar.gz"));
    EXPECT_EQ(L"new.tar", W(path.GetFileName()));
    EXPECT_EQ(L".gz", W(path.GetExt()));
    EXPECT_TRUE(path.SetFileNameAndExt(L"README"));
    EXPECT_EQ(L"C:\\a\\README", W(path));
    EXPECT_TRUE(path.SetFileNameAndExt(L""));
    EXPECT_EQ(L"C:\\a\\", W(path));
    EXPECT_TRUE(path.IsDirectory());

    path = L"C:\\a\\f.txt";
    EXPECT_TRUE(path.SetFileName(L"g"));
    EXPECT_EQ(L"C:\\a\\g.txt", W(path));
    EXPECT_TRUE(path.SetFileName(L"")); // the extension goes with the name
    EXPECT_EQ(L"C:\\a\\", W(path));
}

TEST(PathBuild, RootAndDirectorySetters)
{
    ZvPath path(L"C:\\a\\f.txt");
    EXPECT_TRUE(path.SetRoot(L"D:"));
    EXPECT_EQ(L"D:\\a\\f.txt", W(path));
    EXPECT_TRUE(path.SetDir(L"x/y"));
    EXPECT_EQ(L"D:\\x/y\\f.txt", W(path));
    EXPECT_TRUE(path.SetDir(L"\\x\\y\\"));
    EXPECT_EQ(L"D:\\x\\y\\f.txt", W(path));
    EXPECT_TRUE(path.SetRootAndDir(L"E:\\new"));
    EXPECT_EQ(L"E:\\new\\f.txt", W(path));
    EXPECT_TRUE(path.SetDirLastComponent(L"other"));
    EXPECT_EQ(L"E:\\other\\f.txt", W(path));

    path = L"C:\\a\\b\\f.txt";
    EXPECT_TRUE(path.SetDirLastComponent(L"c"));
    EXPECT_EQ(L"C:\\a\\c\\f.txt", W(path));
    path = L"f.txt";
    EXPECT_TRUE(path.SetDirLastComponent(L"only"));
    EXPECT_EQ(L"only\\f.txt", W(path));

    EXPECT_EQ(L"C:\\", W(ZvPath(ZvPath::eDrive_C)));
    EXPECT_EQ(L"Z:\\", W(ZvPath(ZvPath::eDrive_Z)));
    EXPECT_TRUE(ZvPath(static_cast<ZvPath::EDriveNumber>(26)).IsEmpty());
    EXPECT_TRUE(ZvPath(ZvPath::eDrive_None).IsEmpty());
}

TEST(PathBuild, AppendDirAddsRelativeDirectoriesOnly)
{
    ZvPath path(L"C:\\a\\f.txt");
    EXPECT_TRUE(path.AppendDir(L"sub"));
    EXPECT_EQ(L"C:\\a\\sub\\f.txt", W(path));
    EXPECT_TRUE(path.AppendDir(ZvString(L"x\\y\\")));
    EXPECT_EQ(L"C:\\a\\sub\\x\\y\\f.txt", W(path));
    EXPECT_TRUE(path.AppendDir(L"..\\..\\z"));
    EXPECT_EQ(L"C:\\a\\sub\\z\\f.txt", W(path));
    // A name with a dot is a directory here.
    EXPECT_TRUE(path.AppendDir(L"v1.2"));
    EXPECT_EQ(L"C:\\a\\sub\\z\\v1.2\\f.txt", W(path));

    // Rooted arguments and arguments with a file are refused, nothing changes.
    const std::wstring before = W(path);
    EXPECT_FALSE(path.AppendDir(L"C:\\x"));
    EXPECT_FALSE(path.AppendDir(L"\\\\srv\\share"));
    EXPECT_FALSE(path.AppendDir(ZvPath(L"sub\\f.txt")));
    EXPECT_FALSE(path.AppendDir(ZvPath(L"D:\\")));
    EXPECT_EQ(before, W(path));

    ZvPath relative(L"f.txt");
    EXPECT_TRUE(relative.AppendDir(L"sub"));
    EXPECT_EQ(L"sub\\f.txt", W(relative));
}

TEST(PathBuild, GotoParentKeepsFileNameAndExtension)
{
    ZvPath path(L"C:\\a\\b\\x.txt");
    EXPECT_TRUE(path.GotoParent());
    EXPECT_EQ(L"C:\\a\\x.txt", W(path));
    EXPECT_EQ(L"\\a\\", W(path.GetDir()));
    EXPECT_TRUE(path.GotoParent());
    EXPECT_EQ(L"C:\\x.txt", W(path));
    EXPECT_FALSE(path.GotoParent()); // at the root directory
    EXPECT_EQ(L"C:\\x.txt", W(path));

    ZvPath root(L"C:\\");
    EXPECT_FALSE(root.GotoParent());
    ZvPath noDirectory(L"x.txt");
    EXPECT_FALSE(noDirectory.GotoParent());

    ZvPath share(L"\\\\srv\\sh\\d\\f.txt");
    EXPECT_TRUE(share.GotoParent());
    EXPECT_EQ(L"\\\\srv\\sh\\f.txt", W(share));
}

// Wine 8's PathCanonicalizeW reads past the end of "\a\.." (the parent is the
// root and no separator follows); the result must still be Windows' "\".
TEST(PathBuild, ParentOfAFirstLevelDirectoryIsTheRootDirectory)
{
    ZvPath path(L"\\a\\x.txt");
    EXPECT_TRUE(path.GotoParent());
    EXPECT_EQ(L"\\x.txt", W(path));

    ZvPath folder(L"\\a\\");
    EXPECT_TRUE(folder.GotoParent());
    EXPECT_EQ(L"\\", W(folder));

    ZvPath drive(L"C:\\a\\");
    EXPECT_TRUE(drive.GotoParent());
    EXPECT_EQ(L"C:\\", W(drive));
    EXPECT_TRUE(ZvPath(L"C:\\a\\").IsDirectSubDir(ZvPath(L"C:\\")));

    // Appending nothing canonicalises "\a\." (a trailing "." component).
    ZvPath appended(L"C:\\a\\f.txt");
    EXPECT_TRUE(appended.AppendDir(L""));
    EXPECT_EQ(L"C:\\a\\f.txt", W(appended));
}

TEST(PathBuild, CanonicalizeAndMakePretty)
{
    ZvPath path(L"C:\\a\\.\\b\\..\\c\\f.txt");
    EXPECT_FALSE(path.IsCanonicalized());
    EXPECT_TRUE(path.Canonicalize());
    EXPECT_EQ(L"C:\\a\\c\\f.txt", W(path));
    EXPECT_TRUE(path.IsCanonicalized());
    EXPECT_FALSE(path.Canonicalize()); // nothing to do

    ZvPath pretty(L"C:\\Data\\..\\Users\\File.TXT");
    EXPECT_TRUE(pretty.MakePretty());
    EXPECT_EQ(L"c:\\users\\file.txt", W(pretty));
    EXPECT_EQ(L"file", W(pretty.GetFileName()));
    ZvPath plain(L"C:\\Plain\\X.txt");
    EXPECT_TRUE(plain.MakePretty());
    EXPECT_EQ(L"c:\\plain\\x.txt", W(plain));
}

TEST(PathBuild, CombinePath)
{
    ZvPath out;
    EXPECT_TRUE(ZvPath::CombinePath(ZvPath(L"C:\\base\\"), ZvPath(L"sub\\f.txt"), out));
    EXPECT_EQ(L"C:\\base\\sub\\f.txt", W(out));
    // The rooted one gives root and leading directory; the other the name.
    EXPECT_TRUE(ZvPath::CombinePath(ZvPath(L"sub\\f.txt"), ZvPath(L"C:\\base\\"), out));
    EXPECT_EQ(L"C:\\base\\sub\\f.txt", W(out));
    EXPECT_TRUE(ZvPath::CombinePath(ZvPath(L"C:\\base\\"), ZvPath(L"\\sub\\"), out));
    EXPECT_EQ(L"C:\\base\\sub\\", W(out));
    EXPECT_TRUE(ZvPath::CombinePath(ZvPath(L"a\\"), ZvPath(L"b\\c.txt"), out));
    EXPECT_EQ(L"a\\b\\c.txt", W(out));
    // Two roots cannot be combined.
    EXPECT_FALSE(ZvPath::CombinePath(ZvPath(L"C:\\a\\"), ZvPath(L"D:\\b\\"), out));
    EXPECT_TRUE(out.IsEmpty());
}

// ---- Queries ----

TEST(PathQuery, KindsOfPaths)
{
    EXPECT_TRUE(ZvPath(L"a\\b.txt").IsRelative());
    EXPECT_FALSE(ZvPath(L"C:\\a").IsRelative());
    EXPECT_FALSE(ZvPath::IsRelative(ZvString(L"\\\\s\\h\\x")));
    EXPECT_TRUE(ZvPath::IsRelative(ZvString(L"\\x")));

    EXPECT_TRUE(ZvPath(L"C:\\a\\f.txt").IsFullPath());
    EXPECT_FALSE(ZvPath(L"C:\\a\\").IsFullPath());
    EXPECT_FALSE(ZvPath(L"a\\f.txt").IsFullPath());

    EXPECT_TRUE(ZvPath(L"C:\\a\\").IsDirectory());
    EXPECT_FALSE(ZvPath(L"C:\\a\\f").IsDirectory());
    EXPECT_FALSE(ZvPath(L"").IsDirectory());

    EXPECT_TRUE(ZvPath(L"f.txt").IsFile());
    EXPECT_TRUE(ZvPath(L".profile").IsFile());
    EXPECT_FALSE(ZvPath(L"C:\\a\\").IsFile());

    EXPECT_TRUE(ZvPath(L"C:\\").IsRoot());
    EXPECT_TRUE(ZvPath(L"\\\\s\\h").IsRoot());
    EXPECT_TRUE(ZvPath(L"http://host").IsRoot());
    EXPECT_FALSE(ZvPath(L"C:\\a").IsRoot());

    EXPECT_FALSE(ZvPath(L"C:\\a\\..\\b").IsCanonicalized());
    EXPECT_FALSE(ZvPath(L".\\a").IsCanonicalized());
    EXPECT_TRUE(ZvPath(L"C:\\a\\b").IsCanonicalized());

    EXPECT_EQ(ZvPath::ePathType_Relative, ZvPath(L"a\\b").GetPathType());
    EXPECT_EQ(ZvPath::ePathType_Local, ZvPath(L"C:\\a").GetPathType());
    EXPECT_EQ(ZvPath::ePathType_OtherRoot, ZvPath(L"1:\\a").GetPathType());
    EXPECT_FALSE(ZvPath(L"C:\\a").IsNetwork());
    EXPECT_TRUE(ZvPath().IsEmpty());
}

TEST(PathQuery, RootsCommonPathsAndRelations)
{
    ZvPath path(L"C:\\a\\b");
    EXPECT_TRUE(path.IsSameRoot(L"c:\\x"));
    EXPECT_TRUE(path.IsSameRoot(ZvPath(L"C:\\")));
    EXPECT_FALSE(path.IsSameRoot(ZvString(L"D:\\a")));

    EXPECT_EQ(L"C:\\a\\", W(ZvPath(L"C:\\a\\b\\x.txt").GetCommonPath(L"C:\\a\\c\\y.txt")));
    EXPECT_EQ(L"C:\\a\\", W(ZvPath(L"C:\\a\\.\\b\\").GetCommonPath(ZvPath(L"C:\\x\\..\\a\\c\\"))));
    EXPECT_EQ(L"C:\\a\\b\\", W(ZvPath::GetCommonPath(ZvString(L"C:\\a\\b\\"), ZvString(L"C:\\a\\b\\"))));

    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\c.txt").IsSubPath(ZvPath(L"C:\\a\\")));
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\").IsSubPath(ZvPath(L"C:\\A\\")));
    EXPECT_FALSE(ZvPath(L"C:\\a\\").IsSubPath(ZvPath(L"C:\\a\\"))); // equal
    EXPECT_FALSE(ZvPath(L"C:\\ab\\").IsSubPath(ZvPath(L"C:\\a\\")));

    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\").IsDirectSubDir(ZvPath(L"C:\\a\\")));
    EXPECT_FALSE(ZvPath(L"C:\\a\\b\\c\\").IsDirectSubDir(ZvPath(L"C:\\a\\")));
    EXPECT_FALSE(ZvPath(L"C:\\").IsDirectSubDir(ZvPath(L"C:\\")));

    ZvString relative(L"unchanged");
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\").RelativePathTo(L"C:\\a\\c\\f.txt", relative));
    EXPECT_EQ(L"..\\c\\f.txt", W(relative));
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\f.txt").RelativePathTo(ZvPath(L"C:\\a\\b\\g.txt"), relative));
    EXPECT_EQ(L".\\g.txt", W(relative));
    EXPECT_FALSE(ZvPath(L"C:\\a\\").RelativePathTo(ZvString(L"D:\\x"), relative));
    EXPECT_TRUE(relative.IsEmpty());
}

TEST(PathQuery, ComparisonIgnoresCaseAfterCanonicalising)
{
    EXPECT_TRUE(ZvPath(L"C:\\A\\b.TXT") == ZvPath(L"c:\\a\\B.txt"));
    EXPECT_TRUE(ZvPath(L"C:\\a\\..\\b\\f.txt") == L"C:\\b\\f.txt");
    EXPECT_TRUE(ZvPath(L"C:\\b\\f.txt") == ZvString(L"C:\\x\\.\\..\\b\\f.txt"));
    EXPECT_TRUE(ZvPath(L"C:\\b\\f.txt") != L"C:\\b\\g.txt");
    EXPECT_FALSE(ZvPath(L"C:\\b\\f.txt") != ZvPath(L"C:\\B\\F.TXT"));
    EXPECT_TRUE(ZvPath(L"C:\\b\\") != ZvString(L"C:\\b"));
}

// ---- String helpers ----

TEST(PathHelpers, SeparatorsPeriodsAndColons)
{
    ZvString s(L"a");
    EXPECT_TRUE(ZvPath::VerifyTrailingBackSlash(s));
    EXPECT_EQ(L"a\\", W(s));
    s = L"a/";
    EXPECT_FALSE(ZvPath::VerifyTrailingPathSeparator(s));
    s = L"";
    EXPECT_FALSE(ZvPath::VerifyTrailingBackSlash(s));
    EXPECT_TRUE(s.IsEmpty());
    s = L"a\\\\\\";
    EXPECT_TRUE(ZvPath::RemoveTrailingPathSeparator(s));
    EXPECT_EQ(L"a", W(s));
    s = L"a";
    EXPECT_TRUE(ZvPath::VerifyLeadingBackSlash(s));
    EXPECT_EQ(L"\\a", W(s));
    s = L"/a";
    EXPECT_FALSE(ZvPath::VerifyLeadingPathSeparator(s));
    s = L"txt";
    EXPECT_TRUE(ZvPath::VerifyLeadingPeriod(s));
    EXPECT_EQ(L".txt", W(s));
    EXPECT_FALSE(ZvPath::VerifyLeadingPeriod(s));

    s = L"C";
    ZvPath::VerifyRootColon(s);
    EXPECT_EQ(L"C:", W(s));
    s = L"C:\\/";
    ZvPath::VerifyRootColon(s);
    EXPECT_EQ(L"C:", W(s));
    s = L"\\\\srv\\share\\";
    EXPECT_FALSE(ZvPath::VerifyRootColon(s));
    EXPECT_EQ(L"\\\\srv\\share\\", W(s));
    s = L"http://host";
    EXPECT_FALSE(ZvPath::VerifyRootColon(s));

    s = L"a/b/c";
    EXPECT_TRUE(ZvPath::ConvertFromAlternativePathSeparator(s));
    EXPECT_EQ(L"a\\b\\c", W(s));
    EXPECT_FALSE(ZvPath::ConvertFromAlternativePathSeparator(s));
    s = L"a//b\\\\\\\\c/";
    EXPECT_TRUE(ZvPath::CheckAndRepairLocalPath(s));
    EXPECT_EQ(L"a\\b\\c\\", W(s));
    EXPECT_FALSE(ZvPath::CheckAndRepairLocalPath(s));

    s = L"a..\\";
    EXPECT_TRUE(ZvPath::TrimTrailingDots(s));
    EXPECT_EQ(L"a\\", W(s));
    s = L"a...";
    EXPECT_TRUE(ZvPath::TrimTrailingDots(s));
    EXPECT_EQ(L"a", W(s));
    s = L"a \t\\\\";
    EXPECT_TRUE(ZvPath::TrimTrailingSpaces(s));
    EXPECT_EQ(L"a", W(s));
}

TEST(PathHelpers, DriveNumbersAndRoots)
{
    EXPECT_EQ(L"Z:", W(ZvPath::GetRootFromDriveNumber(ZvPath::eDrive_Z)));
    EXPECT_EQ(L"A:", W(ZvPath::GetRootFromDriveNumber(ZvPath::eDrive_A)));
    EXPECT_EQ(L"", W(ZvPath::GetRootFromDriveNumber(static_cast<ZvPath::EDriveNumber>(26))));
    EXPECT_EQ(ZvPath::eDrive_C, ZvPath::GetDriveNumberFromRoot(L"c:"));
    EXPECT_EQ(ZvPath::eDrive_C, ZvPath::GetDriveNumberFromRoot(L"C"));
    EXPECT_EQ(ZvPath::eDrive_None, ZvPath::GetDriveNumberFromRoot(L"\\\\"));
    EXPECT_EQ(ZvPath::eDrive_None, ZvPath::GetDriveNumberFromRoot(L"C:\\"));
    EXPECT_EQ(ZvPath::eDrive_None, ZvPath::GetDriveNumberFromRoot(L"1:"));
    EXPECT_EQ(ZvPath::eDrive_None, ZvPath::GetDriveNumberFromRoot(L""));
    EXPECT_TRUE(ZvPath::PathIsValidDriveLetter(L"C:"));
    EXPECT_FALSE(ZvPath::PathIsValidDriveLetter(L"C"));
    EXPECT_FALSE(ZvPath::PathIsValidDriveLetter(L"C:\\"));
    EXPECT_FALSE(ZvPath::PathIsValidDriveLetter(L"::"));
    EXPECT_FALSE(ZvPath::PathIsValidDriveLetter(L"1:"));
}

TEST(PathHelpers, CorrectPathForFileSystem)
{
    ZvString s(L"C:\\a<b>?.txt.");
    EXPECT_TRUE(ZvPath::CorrectPathForFileSystem(s));
    EXPECT_EQ(L"C:\\a(b).txt", W(s));

    s = L"x\"y*z/w:v|u";
    EXPECT_TRUE(ZvPath::CorrectPathForFileSystem(s));
    EXPECT_EQ(L"x'y-z-w;v!u", W(s));

    // Removals alone do not count as a correction.
    s = L"C:\\a\\b?\x01\x1f\x7f.txt";
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(s));
    EXPECT_EQ(L"C:\\a\\b.txt", W(s));
    s = L"C:\\\x0416\x4e2d\\f\x00e9.txt"; // characters beyond ASCII stay
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(s));
    EXPECT_EQ(L"C:\\\x0416\x4e2d\\f\x00e9.txt", W(s));
    s = L"C:\\dir...\\";
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(s));
    EXPECT_EQ(L"C:\\dir\\", W(s));

    ZvPath local(L"C:\\a|b\\c?.txt");
    EXPECT_TRUE(ZvPath::CorrectPathForFileSystem(local));
    EXPECT_EQ(L"C:\\a!b\\c.txt", W(local));
    EXPECT_EQ(L"\\a!b\\", W(local.GetDir()));
    ZvPath unc(L"\\\\srv\\sh\\a|b");
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(unc));
    EXPECT_EQ(L"\\\\srv\\sh\\a|b", W(unc));
    ZvPath url(L"http://h/a?b=c");
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(url));
    EXPECT_EQ(L"http://h/a?b=c", W(url));
}

TEST(PathHelpers, CorrectPathComponentForFileSystem)
{
    ZvString s(L"a:b\\c/d \t");
    EXPECT_TRUE(ZvPath::CorrectPathComponentForFileSystem(s));
    EXPECT_EQ(L"a b-c-d", W(s));
    // Only white space, ":", "\" and "/" count; other characters are still
    // corrected.
    s = L"name<1>";
    EXPECT_FALSE(ZvPath::CorrectPathComponentForFileSystem(s));
    EXPECT_EQ(L"name(1)", W(s));
    s = L"plain.txt";
    EXPECT_FALSE(ZvPath::CorrectPathComponentForFileSystem(s));
    EXPECT_EQ(L"plain.txt", W(s));
}

// ---- Special folders (resolved inside the test's Wine prefix) ----

TEST(PathSpecialFolder, TemporaryFolderEndsWithSeparator)
{
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    ZvPath path(ZvPath::eSF_Temp);
    EXPECT_FALSE(path.IsEmpty());
    EXPECT_EQ(WithSeparator(temp), W(path));
    EXPECT_TRUE(path.IsDirectory());
    EXPECT_TRUE(path.IsSpecialFolder());
    EXPECT_TRUE(path.IsSpecialFolder(ZvPath::eSF_Temp));
    EXPECT_FALSE(ZvPath::IsSpecialFolder(path, ZvPath::eSF_Fonts));

    ZvPath sub(ZvPath::eSF_Temp, L"zv\\paths");
    EXPECT_EQ(WithSeparator(temp) + L"zv\\paths\\", W(sub));
}

TEST(PathSpecialFolder, ProgramFolderEndsWithSeparatorProgramFileDoesNot)
{
    const std::wstring exe = ModuleFile();
    ZvPath folder(ZvPath::eSF_ProgramDirectory);
    ZvPath file(ZvPath::eSF_ProgramFile);
    EXPECT_EQ(exe, W(file));
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ(L'\\', W(folder).back());
    EXPECT_NE(L'\\', W(file).back());
    EXPECT_EQ(W(folder) + W(file.GetFileNameAndExt()), exe);
    EXPECT_TRUE(file.IsFile());
    EXPECT_TRUE(folder.IsDirectory());

    ZvPath withSub(ZvPath::eSF_ProgramDirectory, L"Bitmaps\\ZvAutoUpdate");
    EXPECT_EQ(W(folder) + L"Bitmaps\\ZvAutoUpdate\\", W(withSub));
}

TEST(PathSpecialFolder, ShellFoldersFollowTheTable)
{
    struct Row {
        ZvPath::ESpecialFolders folder;
        int csidl;
    } rows[] = {
        {ZvPath::eSF_AppData, CSIDL_APPDATA},
        {ZvPath::eSF_CommonAppData, CSIDL_COMMON_APPDATA},
        {ZvPath::eSF_Desktop, CSIDL_DESKTOP},
        {ZvPath::eSF_LocalAppData, CSIDL_LOCAL_APPDATA},
        {ZvPath::eSF_Personal, CSIDL_PERSONAL},
        {ZvPath::eSF_MyDocuments, CSIDL_PERSONAL},
        {ZvPath::eSF_Profile, CSIDL_PROFILE},
        {ZvPath::eSF_ProgramFiles, CSIDL_PROGRAM_FILES},
        {ZvPath::eSF_System, CSIDL_SYSTEM},
        {ZvPath::eSF_Windows, CSIDL_WINDOWS},
        {ZvPath::eSF_Fonts, CSIDL_FONTS},
        // Not created in a fresh prefix: the shell answers "not found" but
        // still gives the path.
        {ZvPath::eSF_CDBurnArea, CSIDL_CDBURN_AREA},
        {ZvPath::eSF_CommonOEMLinks, CSIDL_COMMON_OEM_LINKS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "folder " << row.folder);
        std::wstring expected = ShellFolder(row.csidl);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(expected, W(ZvPath(row.folder)));
    }

    // Program files plus "VSTPlugins\".
    EXPECT_EQ(ShellFolder(CSIDL_PROGRAM_FILES) + L"VSTPlugins\\", W(ZvPath(ZvPath::eSF_VSTPlugins)));
    // Values outside the table resolve like the desktop.
    EXPECT_EQ(W(ZvPath(ZvPath::eSF_Desktop)), W(ZvPath(ZvPath::eSF_Count)));
    EXPECT_EQ(W(ZvPath(ZvPath::eSF_Desktop)), W(ZvPath(static_cast<ZvPath::ESpecialFolders>(60))));
}

TEST(PathSpecialFolder, UnresolvableFolderIsEmptyAndGetsNoSubDirectory)
{
    // "My computer" is a virtual folder without a file-system path.
    ZvPath drives(ZvPath::eSF_Drives, L"sub");
    EXPECT_TRUE(drives.IsEmpty());
    EXPECT_FALSE(ZvPath(L"C:\\nowhere\\special\\").IsSpecialFolder());
    EXPECT_FALSE(ZvPath().IsSpecialFolder());
}

// ---- Exported constants ----

TEST(PathConstants, ExportedValues)
{
    EXPECT_STREQ(L"\\..\\", ZvPath::sPathParent);
    EXPECT_STREQ(L".\\", ZvPath::sPathLeading);
    EXPECT_STREQ(L"\\.\\", ZvPath::sPathIgnore);
    EXPECT_STREQ(L"\\", ZvPath::PathSeparator);
    EXPECT_STREQ(L"/", ZvPath::m_sSeparatorAlternative);
    EXPECT_STREQ(L":", ZvPath::m_sRootColon);
    EXPECT_STREQ(L"upnp://", ZvPath::UPnPProtocol);
    EXPECT_EQ(2, static_cast<int>(ZvPath::m_eSplitMethod));
    EXPECT_STREQ(L"\\", ZvPath::GetPathSeparator());
}
