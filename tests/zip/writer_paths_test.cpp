// The folder part a member is stored with.
#include <gtest/gtest.h>

#include "zip/zip_writer.h"

namespace {

struct TPathWriter : TZipWriter {
    using TZipWriter::StoredFolder;
};

} // namespace

TEST(WriterPaths, WithoutStorePathsThereIsNoFolder) {
    TPathWriter w;
    EXPECT_EQ(w.StoredFolder("2000\\3\\15.rtf"), "");
    EXPECT_EQ(w.StoredFolder("C:\\x\\15.rtf"), "");
}

TEST(WriterPaths, StorePathsDropsDriveShareAndLeadingBackslash) {
    TPathWriter w;
    w.SetStorePaths(true);
    EXPECT_EQ(w.StoredFolder("2000\\3\\Week3\\15.rtf"), "2000\\3\\Week3\\");
    EXPECT_EQ(w.StoredFolder("15.rtf"), "");
    EXPECT_EQ(w.StoredFolder("C:\\data\\15.rtf"), "data\\");
    EXPECT_EQ(w.StoredFolder("C:15.rtf"), "");
    EXPECT_EQ(w.StoredFolder("\\top\\15.rtf"), "top\\");
    EXPECT_EQ(w.StoredFolder("\\\\server\\share\\a\\b.rtf"), "a\\");
}

TEST(WriterPaths, StoreVolumesKeepsTheDrive) {
    TPathWriter w;
    w.SetStoreVolumes(true);
    EXPECT_EQ(w.StoredFolder("C:\\data\\15.rtf"), "C:\\data\\");
    EXPECT_EQ(w.StoredFolder("C:15.rtf"), "C:\\");
}

TEST(WriterPaths, RelativePathsRemoveTheRootDirIgnoringCase) {
    TPathWriter w;
    w.SetRelativePaths(true);
    w.SetRootDir("C:\\Diary");
    EXPECT_EQ(w.StoredFolder("c:\\diary\\2000\\15.rtf"), "2000\\");
    EXPECT_EQ(w.StoredFolder("C:\\Diary\\15.rtf"), "");
    EXPECT_EQ(w.StoredFolder("D:\\other\\15.rtf"), "D:\\other\\");
}
