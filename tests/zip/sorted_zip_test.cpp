#include "zip/dos_time.h"
#include "zip/sorted_zip.h"

#include <gtest/gtest.h>

namespace {

TZipHeaderInfo* Member(const std::string& name, std::int32_t csize = 0, std::int32_t usize = 0,
                       std::uint32_t date = 0, std::uint32_t offset = 0) {
    auto* h = new TZipHeaderInfo;
    h->SetName(name);
    h->CompressedSize = csize;
    h->UncompressedSize = usize;
    h->DateTime = date;
    h->LocalOffset = offset;
    return h;
}

std::vector<std::string> Names(const TSortedZip& list) {
    std::vector<std::string> out;
    for (TZipHeaderInfo* h : list)
        out.push_back(h->Name());
    return out;
}

} // namespace

TEST(SortedZip, ByNameIgnoresCaseAndFoldsToUpper) {
    TSortedZip list(ByName, 2, true);
    for (const char* n : {"b.rtf", "A.rtf", "a\\z.rtf", "a_x.rtf", "C.rtf"})
        list.Add(Member(n));
    // "\" (0x5C) and "_" (0x5F) sort after the letters, as upper-case letters do.
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"A.rtf", "a\\z.rtf", "a_x.rtf", "b.rtf", "C.rtf"}));
    std::unique_ptr<TZipHeaderInfo> dup(Member("B.RTF"));
    EXPECT_THROW(list.Add(dup.get()), EListError);
    int index = -1;
    EXPECT_TRUE(list.Find(dup.get(), index));
    EXPECT_EQ(index, 3);
}

TEST(SortedZip, ByFileNameAndByDirectoryName) {
    TSortedZip files(ByFileName, 1, true);
    for (const char* n : {"z\\b.rtf", "y\\a.rtf", "x\\C.rtf"})
        files.Add(Member(n));
    EXPECT_EQ(Names(files), (std::vector<std::string>{"y\\a.rtf", "z\\b.rtf", "x\\C.rtf"}));
    TSortedZip dirs(ByDirectoryName, 1, true);
    for (const char* n : {"b\\1.rtf", "A\\2.rtf", "top.rtf"})
        dirs.Add(Member(n));
    EXPECT_EQ(Names(dirs), (std::vector<std::string>{"top.rtf", "A\\2.rtf", "b\\1.rtf"}));
}

TEST(SortedZip, ByDateNewestFirstNewAfterSameDate) {
    TSortedZip list(ByDate, 2, true); // never equal, so even policy 2 accepts ties
    std::uint32_t d1 = PackDosDateTime(2001, 1, 1, 0, 0, 0);
    std::uint32_t d2 = PackDosDateTime(2002, 1, 1, 0, 0, 0);
    list.Add(Member("old", 0, 0, d1));
    list.Add(Member("new1", 0, 0, d2));
    list.Add(Member("new2", 0, 0, d2));
    list.Add(Member("bad", 0, 0, PackDosDateTime(2003, 2, 31, 0, 0, 0))); // no date: 0
    EXPECT_EQ(Names(list), (std::vector<std::string>{"new1", "new2", "old", "bad"}));
}

TEST(SortedZip, BySizesLargestFirstNewAfterSameSize) {
    TSortedZip comp(ByCompressedSize, 0, true);
    comp.Add(Member("a", 10));
    comp.Add(Member("b", 30));
    comp.Add(Member("c", 10));
    EXPECT_EQ(Names(comp), (std::vector<std::string>{"b", "a", "c"}));
    TSortedZip uncomp(ByUnCompressedSize, 0, true);
    uncomp.Add(Member("a", 0, 5));
    uncomp.Add(Member("b", 0, 50));
    uncomp.Add(Member("c", 0, 50));
    EXPECT_EQ(Names(uncomp), (std::vector<std::string>{"b", "c", "a"}));
}

TEST(SortedZip, ByRateHighestFirstEqualRatesAreEqual) {
    TSortedZip list(ByRate, 0, true);
    list.Add(Member("half", 50, 100));
    list.Add(Member("empty", 0, 0));    // 0
    list.Add(Member("over", 150, 100)); // capped at 100
    list.Add(Member("tenth", 10, 100));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"over", "half", "tenth", "empty"}));
    TZipHeaderInfo* same = Member("also half", 5, 10);
    list.Add(same); // policy 0: equal rate, not added
    EXPECT_EQ(list.Count(), 4);
    delete same;
}

TEST(SortedZip, ByNoneIsArchiveOrder) {
    TSortedZip list(ByNone, 2, true);
    list.Add(Member("c", 0, 0, 0, 300));
    list.Add(Member("a", 0, 0, 0, 100));
    TZipHeaderInfo* other = Member("b", 0, 0, 0, 200);
    other->DiskStart = 1;
    list.Add(other);
    list.Add(Member("b0", 0, 0, 0, 200));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b0", "c", "b"}));
    std::unique_ptr<TZipHeaderInfo> twin(Member("twin", 0, 0, 0, 300));
    try {
        list.Add(twin.get());
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Duplicate Object index");
    }
    EXPECT_EQ(list.Items(2)->Name(), "c");
    try {
        list.Items(list.Count());
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (4)");
    }
}

TEST(SortedZip, NonOwningViewLeavesItemsToTheDirectory) {
    TSortedZip directory(ByNone, 2, true);
    directory.Add(Member("b", 0, 0, 0, 1));
    directory.Add(Member("a", 0, 0, 0, 2));
    {
        TSortedZip view(ByName, 1, false);
        for (TZipHeaderInfo* h : directory)
            view.Add(h);
        EXPECT_EQ(Names(view), (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(view.SortMode(), ByName);
    } // the view goes; the directory's items stay valid (the sanitizer build checks)
    EXPECT_EQ(directory.Items(1)->Name(), "a");
}
