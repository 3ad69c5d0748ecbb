// A save that fails anywhere leaves the old archive byte for byte and no
// temporary file: a disk that fills up after any number of bytes, a flush
// to disk that fails, a rename that is refused.
#include <gtest/gtest.h>

#include <cerrno>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using namespace writertest;

namespace {

// A file that takes `limit` bytes in all and then no more (a full disk).
class TFullDiskFile : public TStream {
public:
    TFullDiskFile(std::unique_ptr<TStream> file, std::int64_t limit)
        : file_(std::move(file)), left_(limit) {}
    std::int64_t Read(void* b, std::int64_t n) override { return file_->Read(b, n); }
    std::int64_t Write(const void* b, std::int64_t n) override {
        const std::int64_t take = std::min(n, left_);
        left_ -= take;
        return take > 0 ? file_->Write(b, take) : 0;
    }
    std::int64_t Seek(std::int64_t o, int origin) override { return file_->Seek(o, origin); }
    std::int64_t Size() override { return file_->Size(); }
    TStream& Inner() { return *file_; }

private:
    std::unique_ptr<TStream> file_;
    std::int64_t left_;
};

class TFaultyOps : public TArchiveFileOps {
public:
    std::int64_t writeLimit = -1;
    bool commitFails = false;
    int renameError = 0;
    std::int64_t bytesWritten = 0; // by the unlimited files, to size the sweep

    std::unique_ptr<TStream> CreateFile(const std::string& name) override {
        auto file = TArchiveFileOps::CreateFile(name);
        if (writeLimit < 0) return file;
        return std::make_unique<TFullDiskFile>(std::move(file), writeLimit);
    }
    bool Commit(TStream& file) override {
        if (commitFails) return false;
        auto* full = dynamic_cast<TFullDiskFile*>(&file);
        return TArchiveFileOps::Commit(full ? full->Inner() : file);
    }
    int Rename(const std::string& from, const std::string& to) override {
        return renameError != 0 ? renameError : TArchiveFileOps::Rename(from, to);
    }
};

struct TScenario {
    const char* what;
    bool existing;
    std::string password;
};

class WriterFailureTest : public ::testing::TestWithParam<TScenario> {
protected:
    TempDir dir, tempFolder;
    std::string zip = dir.file("Daybank.zip");

    std::unique_ptr<TZipWriter> NewWriter(std::unique_ptr<TFaultyOps> ops) {
        auto w = std::make_unique<TZipWriter>();
        w->TempPath = tempFolder.path();
        w->SetStorePaths(true);
        w->SetPackLevel(9);
        w->SetZipName(zip);
        w->FileOps = std::move(ops);
        return w;
    }
    void Prepare() {
        if (!GetParam().existing) return;
        auto w = NewWriter(std::make_unique<TFaultyOps>());
        for (int i = 0; i < 5; ++i) {
            TMemoryStream s(std::string(20000 + 1000 * i, static_cast<char>('a' + i)) + "tail");
            w->AddFromStream(&s, "2000\\" + std::to_string(i) + ".rtf");
        }
    }
    std::string Content() const {
        std::string s;
        for (int i = 0; i < 400; ++i)
            s += "{\\rtf1 line " + std::to_string(i * 7) + "\\par}\r\n";
        return s;
    }
};

} // namespace

TEST_P(WriterFailureTest, AFullDiskAtAnyPointLeavesTheOldArchive) {
    Prepare();
    const bool existed = testsupport::FileExists(zip);
    const std::string before = existed ? ReadFile(zip) : std::string();
    // The size of the archive a successful save writes, to sweep over.
    std::int64_t total;
    {
        TempDir probeDir;
        const std::string probe = probeDir.file("p.zip");
        if (existed) testsupport::WriteFile(probe, before);
        TZipWriter w;
        w.SetStorePaths(true);
        w.SetPackLevel(9);
        w.ZipPassword = GetParam().password;
        w.SetZipName(probe);
        TMemoryStream s(Content());
        ASSERT_EQ(w.AddFromStream(&s, "2000\\2.rtf"), 1);
        total = static_cast<std::int64_t>(ReadFile(probe).size());
    }
    std::vector<std::int64_t> limits = {0, 1, 29, 30, 31, 100, 4095, 8191, 8192, 8193};
    for (std::int64_t step = total / 37 + 1, at = step; at < total; at += step)
        limits.push_back(at);
    for (std::int64_t d : {1, 2, 12, 22, 23})
        limits.push_back(total - d);
    for (std::int64_t limit : limits) {
        if (limit < 0 || limit >= total) continue;
        auto ops = std::make_unique<TFaultyOps>();
        ops->writeLimit = limit;
        auto w = NewWriter(std::move(ops));
        w->ZipPassword = GetParam().password;
        TMemoryStream s(Content());
        try {
            w->AddFromStream(&s, "2000\\2.rtf");
            ADD_FAILURE() << "no exception at " << limit << " of " << total;
        } catch (const ENotEnoughRoom& e) {
            EXPECT_STREQ(e.what(), "Not enough room to write archive");
        }
        EXPECT_EQ(testsupport::FileExists(zip), existed) << limit;
        if (existed) {
            EXPECT_EQ(ReadFile(zip), before) << "archive changed, limit " << limit;
        }
        EXPECT_TRUE(TempFilesIn(dir.path()).empty()) << limit;
        EXPECT_TRUE(TempFilesIn(tempFolder.path()).empty()) << limit;
        // The same component saves fine once the disk has room again.
        w->FileOps = std::make_unique<TFaultyOps>();
        TMemoryStream again(Content());
        EXPECT_EQ(w->AddFromStream(&again, "2000\\2.rtf"), 1) << limit;
        EXPECT_EQ(UnzipTest(zip, GetParam().password), "") << limit;
        if (existed)
            testsupport::WriteFile(zip, before);
        else
            ::unlink(zip.c_str());
    }
}

TEST_P(WriterFailureTest, AFailedFlushOrRenameLeavesTheOldArchive) {
    Prepare();
    const bool existed = testsupport::FileExists(zip);
    const std::string before = existed ? ReadFile(zip) : std::string();
    for (int round = 0; round < 2; ++round) {
        auto ops = std::make_unique<TFaultyOps>();
        if (round == 0)
            ops->commitFails = true;
        else
            ops->renameError = EACCES;
        auto w = NewWriter(std::move(ops));
        w->ZipPassword = GetParam().password;
        TMemoryStream s(Content());
        EXPECT_THROW(w->AddFromStream(&s, "2000\\2.rtf"), Exception) << round;
        EXPECT_EQ(testsupport::FileExists(zip), existed);
        if (existed) {
            EXPECT_EQ(ReadFile(zip), before);
        }
        EXPECT_TRUE(TempFilesIn(dir.path()).empty());
        EXPECT_TRUE(TempFilesIn(tempFolder.path()).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, WriterFailureTest,
                         ::testing::Values(TScenario{"new", false, ""},
                                           TScenario{"existing", true, ""},
                                           TScenario{"existingEncrypted", true, "pw"}),
                         [](const auto& info) { return std::string(info.param.what); });
