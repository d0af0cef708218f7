// ZvFileFind, linked from the DLL as a host would use it: what a search
// yields (the dot entries, files and directories with their paths, skipped
// names), its end and error codes, and the single ownership of its handle.
#include "ZvOSAL/ZvFileSystemItem.h"
#include "osal/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <type_traits>
#include <utility>

using ZvOSAL::ZvFileFind;
using ZvOSAL::ZvFileSystemItem;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using zvtest::TempFolder;

namespace {

std::wstring Name(const ZvFileSystemItem& item)
{
    return item.IsValid() ? std::wstring(item.GetFullPath().ToString().c_str()) : std::wstring(L"<invalid>");
}

// Names of a search's entries, dot entries included.
std::multiset<std::wstring> Names(ZvFileFind& find)
{
    std::multiset<std::wstring> names;
    for (int guard = 0; find.IsFindValid() && guard < 100; ++guard) {
        const ZvFileSystemItem& item = find.GetCurrent();
        ZvPath path = item.GetFullPath();
        std::wstring name;
        if (item.IsDirectory())
            name = std::wstring(path.GetDirLastComponent().c_str()) + L"\\";
        else
            name = path.GetFileNameAndExt().c_str();
        names.insert(item.IsDots() ? std::wstring(L"<dots>") : name);
        if (!++find)
            break;
    }
    return names;
}

} // namespace

TEST(FileFind, EmptyDirectoryYieldsTheDotEntriesThenEnds)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    ASSERT_TRUE(temp.MakeDir(L"empty"));
    const ZvPath dir(temp.Path(L"empty\\").c_str());

    ZvFileFind find(dir, L"*");
    ASSERT_TRUE(find.IsFindValid());
    EXPECT_EQ(0u, find.GetLastError());
    std::set<std::wstring> dots;
    int count = 0;
    for (; find.IsFindValid() && count < 10; ++find, ++count) {
        const ZvFileSystemItem& item = find.GetCurrent();
        EXPECT_TRUE(item.IsValid());
        EXPECT_TRUE(item.IsDots());
        EXPECT_TRUE(item.IsDirectory());
        EXPECT_TRUE(item.GetFullPath().IsDirectory()) << Name(item);
        dots.insert(item.GetFullPath().ToString().c_str());
    }
    EXPECT_EQ(2, count);
    // "." stands for the directory itself, ".." for its parent.
    EXPECT_EQ((std::set<std::wstring>{dir.ToString().c_str(), temp.Dir()}), dots);
    EXPECT_FALSE(find.IsFindValid());
    EXPECT_EQ(static_cast<unsigned long>(ERROR_NO_MORE_FILES), find.GetLastError());
    EXPECT_FALSE(++find); // stays at the end
}

TEST(FileFind, FilesAndDirectoriesWithTheirPaths)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    ASSERT_TRUE(temp.WriteFile(L"a.txt", "aaa"));
    ASSERT_TRUE(temp.WriteFile(L"b.log", "b"));
    ASSERT_TRUE(temp.WriteFile(L"noext", ""));
    ASSERT_TRUE(temp.MakeDir(L"sub"));
    ASSERT_TRUE(temp.MakeDir(L"dir.with.dots"));
    ASSERT_TRUE(temp.WriteFile(L"sub\\inner.txt", "i"));

    const ZvPath dir(temp.Dir().c_str());
    ZvFileFind all(dir, L"*");
    EXPECT_EQ((std::multiset<std::wstring>{L"<dots>", L"<dots>", L"a.txt", L"b.log", L"noext", L"sub\\",
                                           L"dir.with.dots\\"}),
              Names(all));

    // Items carry the record and a path that names them.
    for (ZvFileFind find(dir, L"*"); find.IsFindValid(); ++find) {
        const ZvFileSystemItem& item = find.GetCurrent();
        if (item.IsDots())
            continue;
        ZvFileSystemItem fresh(item.GetFullPath());
        EXPECT_TRUE(fresh.IsValid()) << Name(item);
        EXPECT_EQ(fresh.IsDirectory(), item.IsDirectory()) << Name(item);
        EXPECT_EQ(fresh.GetFileSize(), item.GetFileSize()) << Name(item);
        EXPECT_EQ(item.IsDirectory(), item.GetFullPath().IsDirectory()) << Name(item);
        if (std::wstring(item.GetFullPath().ToString().c_str()) == temp.Path(L"a.txt")) {
            EXPECT_EQ(3u, item.GetFileSize());
        }
    }

    // A pattern narrows the search; it does not look into subdirectories.
    ZvFileFind texts(dir, L"*.txt");
    EXPECT_EQ((std::multiset<std::wstring>{L"a.txt"}), Names(texts));
    // A directory given as a pattern itself is searched as it is.
    ZvFileFind asPattern(ZvPath(temp.Path(L"*.log").c_str()), L"*.txt");
    ASSERT_TRUE(asPattern.IsFindValid());
    EXPECT_EQ(temp.Path(L"b.log"), std::wstring(asPattern.GetCurrent().GetFullPath().ToString().c_str()));
    EXPECT_FALSE(++asPattern);
    // Without its trailing separator a directory is a name: the search finds
    // the directory itself.
    ZvFileFind itself(ZvPath(temp.Path(L"sub").c_str()), L"*");
    ASSERT_TRUE(itself.IsFindValid());
    EXPECT_TRUE(itself.GetCurrent().IsDirectory());
    EXPECT_EQ(temp.Path(L"sub\\"), std::wstring(itself.GetCurrent().GetFullPath().ToString().c_str()));
    EXPECT_FALSE(++itself);
    // Nothing matches.
    ZvFileFind none(dir, L"*.none");
    EXPECT_FALSE(none.IsFindValid());
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), none.GetLastError());
}

TEST(FileFind, NamesTheFileSystemWouldNotTakeBackAreSkipped)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    // Only the \\?\ form keeps a trailing blank in a name.
    ASSERT_TRUE(TempFolder::Write(L"\\\\?\\" + temp.Path(L"blank "), "x"));
    ASSERT_TRUE(TempFolder::Write(L"\\\\?\\" + temp.Path(L"xb "), "x"));
    ASSERT_TRUE(temp.WriteFile(L"good", "x"));

    const ZvPath dir(temp.Dir().c_str());
    ZvFileFind all(dir, L"*");
    EXPECT_EQ((std::multiset<std::wstring>{L"<dots>", L"<dots>", L"good"}), Names(all));

    // The first entry itself unacceptable, and nothing after it: no result.
    ZvFileFind onlyBlank(dir, L"x*");
    EXPECT_FALSE(onlyBlank.IsFindValid());
    EXPECT_EQ(static_cast<unsigned long>(ERROR_NO_MORE_FILES), onlyBlank.GetLastError());
}

TEST(FileFind, MissingDirectoryAndBadPatterns)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    ZvFileFind missing(ZvPath(temp.Path(L"missing\\").c_str()), L"*");
    EXPECT_FALSE(missing.IsFindValid());
    EXPECT_FALSE(missing.GetCurrent().IsValid());
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), missing.GetLastError());
    EXPECT_FALSE(++missing);

    // No pattern: the directory path alone matches nothing; no crash.
    ZvFileFind noPattern(ZvPath(temp.Dir().c_str()), nullptr);
    EXPECT_FALSE(noPattern.IsFindValid());
    EXPECT_FALSE(++noPattern);

    ZvFileFind emptyPath(ZvPath(), L"*");
    EXPECT_FALSE(emptyPath.IsFindValid());
}

TEST(FileFind, CopiesNeverShareTheSearchHandle)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    for (const wchar_t* name : {L"1", L"2", L"3", L"4", L"5"})
        ASSERT_TRUE(temp.WriteFile(name, name[0] == L'1' ? "1" : ""));
    const ZvPath dir(temp.Dir().c_str());

    ZvFileFind original(dir, L"*");
    ASSERT_TRUE(original.IsFindValid());
    ASSERT_TRUE(++original);
    std::multiset<std::wstring> seen;
    seen.insert(Name(original.GetCurrent()));
    {
        // The copy holds the same result, but no handle: it cannot advance,
        // and going away does not close the original's handle.
        ZvFileFind copy(original);
        EXPECT_TRUE(copy.IsFindValid());
        EXPECT_EQ(Name(original.GetCurrent()), Name(copy.GetCurrent()));
        EXPECT_FALSE(++copy);

        ZvFileFind assigned(ZvPath(temp.Dir().c_str()), L"*");
        assigned = original; // closes its own handle, takes none
        EXPECT_EQ(Name(original.GetCurrent()), Name(assigned.GetCurrent()));
        EXPECT_FALSE(++assigned);
    }
    // The original still walks to the end: 2 dot entries and 5 files in all.
    while (++original)
        seen.insert(Name(original.GetCurrent()));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_NO_MORE_FILES), original.GetLastError());
    EXPECT_EQ(6u, seen.size());

    // Moving hands the handle over.
    ZvFileFind first(dir, L"*");
    ZvFileFind moved(std::move(first));
    EXPECT_FALSE(++first);
    int rest = 0;
    while (++moved)
        ++rest;
    EXPECT_EQ(6, rest);
    ZvFileFind target(dir, L"*");
    ZvFileFind source(dir, L"*");
    target = std::move(source);
    EXPECT_TRUE(++target);
    EXPECT_FALSE(++source);

    static_assert(std::has_virtual_destructor<ZvFileFind>::value, "a virtual destructor");
}
