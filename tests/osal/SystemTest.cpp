// The system layer, linked from the DLL as a host uses it: ZvFileSystemItem
// (the snapshot record, attribute and time setters, the shell file operations
// with their result codes, directory chains), ZvFileFind,
// ZvCriticalSection and ZvOSVersionInfo. (The Authenticode check is proven by
// the update workflow's installers.)
#include "ZvOSAL/ZvCriticalSection.h"
#include "ZvOSAL/ZvFileSystemItem.h"
#include "ZvOSAL/ZvOSVersionInfo.h"
#include "support/Files.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

using namespace ZvOSAL;
using zvtest::PathExists;
using zvtest::ReadFileBytes;
using zvtest::TempFolder;
using Item = ZvFileSystemItem;
using Windows = ZvOSVersionInfoWindows;

namespace {

const auto kDone = eFileOperation_Done;
const auto kFailed = eFileOperation_Failed;

ZvPath P(const std::wstring& path) { return ZvPath(path.c_str()); }

// 2001-02-03 04:05:06 UTC plus some seconds: a time no fresh file has.
FILETIME SomeTime(int seconds)
{
    SYSTEMTIME system = {2001, 2, 0, 3, 4, 5, static_cast<WORD>(6 + seconds), 0};
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    return time;
}

bool IsTime(int seconds, const FILETIME& time)
{
    const FILETIME expected = SomeTime(seconds);
    return CompareFileTime(&expected, &time) == 0;
}

// Whether another thread finds the section free (and leaves it free).
bool FreeForOthers(ZvCriticalSection& section)
{
    int entered = -1;
    zvtest::RunOnOtherThread([&] {
        if ((entered = section.TryLock()) != 0)
            section.Unlock();
    });
    return entered != 0;
}

} // namespace

TEST(FileSystemItem, SnapshotAttributesAndTimes)
{
    TempFolder temp;
    const Item missing(P(temp.Path(L"missing.txt")));
    EXPECT_FALSE(missing.IsValid() || missing.IsDirectory() || missing.FileExists() || missing == missing);
    const std::wstring path = temp.Path(L"file.txt");
    ASSERT_TRUE(temp.Write(L"file.txt", "hello") && temp.MakeDir(L"dir"));
    Item item(P(path));
    EXPECT_TRUE(item.GetFileSize() == 5 && item.FileExists() && !Item::DirectoryExits(P(path)));
    EXPECT_TRUE(item == Item(P(temp.Path(L"FILE.TXT")))) << "paths compare without regard to case";
    for (const std::wstring& dir : {temp.Path(L"dir\\"), temp.Path(L"dir")})
        EXPECT_TRUE(Item(P(dir)).IsDirectory() && !Item(P(dir)).FileExists() && Item::DirectoryExits(P(dir)));

    EXPECT_TRUE(item.SetReadOnly(true) && item.SetArchived(false));
    EXPECT_TRUE(Item(P(path)).IsReadOnly() && !item.IsArchived()) << "the whole attribute word is written";
    EXPECT_TRUE(item.SetReadOnly(false));
    EXPECT_TRUE(item.SetLastWriteTime(SomeTime(1)) && item.SetLastAccessTime(SomeTime(2)) &&
                item.SetCreationTime(SomeTime(3)));
    const Item reread(P(path));
    EXPECT_TRUE(IsTime(1, reread.GetLastWriteTime()) && IsTime(2, reread.GetLastAccessTime()));
    EXPECT_TRUE(IsTime(3, item.GetCreationTime())) << "the record follows its setters";
    EXPECT_TRUE(Item(P(temp.Path(L"created.txt"))).SetLastWriteTime(SomeTime(4))) << "a missing file is created";
    EXPECT_FALSE(Item(P(temp.Path(L"nodir\\x.txt"))).SetLastWriteTime(SomeTime(6)));

    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(item.IsValid() && item.GetFileSize() == 5 && !item.FileExists()) << "a snapshot; existence is live";
}

TEST(FileSystemItem, ShellFileOperationsAndDirectoryChains)
{
    TempFolder temp;
    for (const wchar_t* name : {L"a.txt", L"c.txt", L"keep.log"})
        ASSERT_TRUE(temp.Write(name, std::string(name, name + 1)));
    ASSERT_TRUE(temp.MakeDir(L"d") && temp.MakeDir(L"d\\s") && temp.Write(L"d\\s\\x.txt", "x"));
    EXPECT_EQ(kDone, Item(P(temp.Path(L"a.txt"))).Copy(P(temp.Path(L"b.txt")), nullptr));
    EXPECT_EQ(kDone, Item::Copy(P(temp.Path(L"a.txt")), P(temp.Path(L"c.txt")))) << "replaces without a question";
    EXPECT_EQ("a", ReadFileBytes(temp.Path(L"c.txt")));
    EXPECT_EQ(kDone, Item(P(temp.Path(L"d\\"))).Move(P(temp.Path(L"moved\\"))));
    EXPECT_TRUE(ReadFileBytes(temp.Path(L"moved\\s\\x.txt")) == "x" && !PathExists(temp.Path(L"d")));
    EXPECT_EQ(kDone, Item(P(temp.Path(L"b.txt"))).Rename(ZvString(temp.Path(L"r.txt").c_str())));
    for (const wchar_t* root : {L"C:\\", L"C:", L"c:/"})
        EXPECT_EQ(kFailed, Item(ZvPath(root)).Delete()) << "a drive root is refused: " << root;
    EXPECT_EQ(eFileOperation_NotExisting, Item(P(temp.Path(L"none.txt"))).Delete());
    Item once(P(temp.Path(L"r.txt")));
    EXPECT_EQ(kDone, once.Delete());
    EXPECT_EQ(kFailed, once.Delete()) << "the snapshot says nothing about the present";
    // A pattern deletes its matches in its own folder only.
    ASSERT_TRUE(temp.Write(L"moved\\s\\y.txt", "y"));
    EXPECT_EQ(kDone, Item(P(temp.Path(L"*.txt"))).Delete());
    EXPECT_TRUE(!PathExists(temp.Path(L"a.txt")) && !PathExists(temp.Path(L"c.txt")) &&
                PathExists(temp.Path(L"keep.log")) && PathExists(temp.Path(L"moved\\s\\y.txt")));
    EXPECT_TRUE(Item(P(temp.Path(L"moved\\"))).Delete() == kDone && !PathExists(temp.Path(L"moved")));

    EXPECT_EQ(kFailed, Item::CreateDirectoryW(P(temp.Path(L"keep.log\\"))));
    for (const wchar_t* chain : {L"a\\b\\c\\", L"a\\b\\c\\", L"x\\y\\z"}) {
        EXPECT_EQ(kDone, Item::CreateDirectoryAndIntermediate(P(temp.Path(chain)))) << chain;
        EXPECT_TRUE(Item::DirectoryExits(P(temp.Path(chain)))) << chain;
    }
}

TEST(FileFind, EntriesOfASearch)
{
    TempFolder temp;
    ASSERT_TRUE(temp.Write(L"a.txt", "aaa") && temp.Write(L"b.log", "b") && temp.MakeDir(L"sub"));
    // Only the \\?\ form keeps a trailing blank; such names are skipped.
    ASSERT_TRUE(zvtest::WriteFileBytes(L"\\\\?\\" + temp.Path(L"blank "), "x"));
    const ZvPath dir(temp.Path().c_str());
    const struct {
        ZvPath directory;
        const wchar_t* pattern;
        const wchar_t* names; // sorted; "." for both dot entries, directories with "\"
    } rows[] = {
        {dir, L"*", L"|.|.|a.txt|b.log|sub\\"},
        {dir, L"*.txt", L"|a.txt"},
        {dir, L"bl*", L""},                      // only an unacceptable entry
    };
    for (const auto& row : rows) {
        ZvFileFind find(row.directory, row.pattern);
        std::multiset<std::wstring> names;
        for (int guard = 0; find.IsFindValid() && guard < 100; ++guard, ++find) {
            const ZvPath path = find.GetCurrent().GetFullPath();
            names.insert(find.GetCurrent().IsDots()        ? L"."
                         : find.GetCurrent().IsDirectory() ? std::wstring(path.GetDirLastComponent()) + L"\\"
                                                           : std::wstring(path.GetFileNameAndExt()));
        }
        std::wstring joined;
        for (const std::wstring& name : names)
            joined += L"|" + name;
        EXPECT_EQ(row.names, joined) << std::wstring(row.directory.ToString());
        EXPECT_FALSE(find.IsFindValid() || ++find) << "stays at the end";
    }
}

// "Held" is observed with TryLock from a second thread, since a critical
// section is re-entrant for its owner.
TEST(CriticalSection, ALockLeavesOnlyWhatItEntered)
{
    ZvCriticalSection section;
    {
        ZvCriticalSectionLock now(section, 1);
        now.Lock(); // already held: no second entry
        EXPECT_FALSE(FreeForOthers(section));
    }
    EXPECT_TRUE(FreeForOthers(section));
    section.Lock(); // an outer hold that must survive the lock objects
    {
        ZvCriticalSectionLock lock(section, 1), nested(section, 0);
        lock.Unlock();
        nested.Unlock(); // not held: nothing to leave
        EXPECT_TRUE(lock.IsLocked() == 0 && nested.TryLock() != 0 && nested.TryLock() != 0) << "enters once";
    }
    EXPECT_FALSE(FreeForOthers(section)) << "leaving twice would have released the outer hold";
    section.Unlock();
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(OSVersionInfo, TheRunningSystemAsTheSystemReportsIt)
{
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)));
    EXPECT_EQ(ZvVersion(record.dwMajorVersion, record.dwMinorVersion, 0, 0), ZvOSVersionInfo().GetOSVersion());
    EXPECT_EQ(ZvVersion(record.wServicePackMajor, record.wServicePackMinor, 0, 0),
              ZvOSVersionInfo().GetServicePackVersion());
    EXPECT_TRUE(Windows(Windows::eWindows10) > Windows(Windows::eWindows7)) << "10.0 above 6.1: not as texts";
}
