// Strings that share blocks, used on several threads at once: copies and
// releases change reference counts concurrently and every pool is allocated
// from and freed to concurrently. Afterwards no text is corrupted, every
// shared block is back to one reference and the block counts are back where
// they started.
#include "ZvOSAL/ZvString.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <vector>

using namespace ZvOSAL;

namespace {

const ZvStringData* Header(const ZvString& s) { return reinterpret_cast<const ZvStringData*>(s.c_str()) - 1; }

ZvStringPoolStatistics Statistics()
{
    ZvStringPoolStatistics stats{};
    ZvString::GetPoolStatistics(stats);
    return stats;
}

// A string of the given length whose every unit tells where it came from.
ZvString Pattern(int seed, int length)
{
    ZvString s;
    wchar_t* out = s.GetBufferSetLength(length);
    for (int i = 0; i < length; ++i)
        out[i] = static_cast<wchar_t>(L'A' + (seed + i) % 26);
    return s;
}

bool HasPattern(const ZvString& s, int seed, int length)
{
    if (s.GetLength() < length)
        return false;
    for (int i = 0; i < length; ++i) {
        if (s[i] != static_cast<wchar_t>(L'A' + (seed + i) % 26))
            return false;
    }
    return true;
}

} // namespace

TEST(StringThreads, SharedBlocksAndPoolsUnderConcurrency)
{
    const ZvStringPoolStatistics before = Statistics();
    // Lengths in every pool and on the heap.
    const int lengths[] = {5, 60, 100, 200, 300, 500, 900, 3000};
    constexpr int kShared = sizeof(lengths) / sizeof(lengths[0]);
    constexpr int kThreads = 6;
    constexpr int kRounds = 4000;
    {
        std::vector<ZvString> shared;
        for (int i = 0; i < kShared; ++i)
            shared.push_back(Pattern(i, lengths[i]));

        std::atomic<int> failures{0};
        std::atomic<bool> go{false};
        std::vector<HANDLE> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.push_back(zvtest::StartThread([&, t] {
                std::mt19937 random(1000u + static_cast<unsigned>(t));
                while (!go.load())
                    Sleep(0);
                // Tight copies of one block: the most contention on one count.
                for (int i = 0; i < 20000; ++i) {
                    ZvString first(shared[0]);
                    ZvString second(first);
                    if (second.c_str() != shared[0].c_str())
                        ++failures;
                }
                std::vector<ZvString> mine;
                for (int round = 0; round < kRounds; ++round) {
                    const int which = static_cast<int>(random() % kShared);
                    ZvString copy(shared[which]);
                    ZvString second;
                    second = copy;
                    if (random() % 2) {
                        // Copy-on-write: the change must stay in this copy.
                        second += L'!';
                        second.SetAt(0, L'#');
                        if (second[0] != L'#' || second[second.GetLength() - 1] != L'!')
                            ++failures;
                    }
                    if (!HasPattern(copy, which, lengths[which]))
                        ++failures;
                    // Private strings from every pool, kept for a while.
                    mine.push_back(Pattern(round, 1 + static_cast<int>(random() % 700)));
                    if (mine.size() > 50)
                        mine.erase(mine.begin() + static_cast<long>(random() % mine.size()));
                }
            }));
        }
        go = true;
        for (HANDLE thread : threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        EXPECT_EQ(0, failures.load());
        for (int i = 0; i < kShared; ++i) {
            EXPECT_TRUE(HasPattern(shared[i], i, lengths[i])) << i;
            EXPECT_EQ(lengths[i], shared[i].GetLength());
            EXPECT_EQ(1, Header(shared[i])->nRefs) << "every copy released its reference";
        }
    }
    const ZvStringPoolStatistics after = Statistics();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before.blocksInUse[i], after.blocksInUse[i]) << "pool " << i;
    EXPECT_EQ(before.heapBlocksInUse, after.heapBlocksInUse);
}
