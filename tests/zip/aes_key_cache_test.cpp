// AES keys kept for the run and derived ahead on every processor: the keys
// are those a derivation gives, a member is never keyed twice however the
// reader and the workers meet, and a prefetch stopped half way leaves
// nothing that a read would wait on.
#include <gtest/gtest.h>

#include "support/archive_store.h"
#include "support/test_support.h"
#include "zip/aes_key_cache.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>

namespace {

bool Same(const TAesKeys& a, const TAesKeys& b) {
    return a.KeyBytes == b.KeyBytes && std::memcmp(a.CipherKey, b.CipherKey, 32) == 0 &&
           std::memcmp(a.MacKey, b.MacKey, 32) == 0 && std::memcmp(a.Verifier, b.Verifier, 2) == 0;
}

TEST(AesKeyCache, KeysAreThoseDerivedAndKeptPerPasswordSaltAndLength) {
    TAesKeyCache& cache = TAesKeyCache::Instance();
    cache.Clear();
    const std::uint8_t salt[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    std::uint8_t other[16];
    std::memcpy(other, salt, sizeof other);
    other[15] ^= 1;

    const std::uint64_t before = cache.Derivations();
    EXPECT_TRUE(Same(cache.Keys("Secret", salt, 32), DeriveAesKeys("Secret", salt, 32)));
    EXPECT_TRUE(Same(cache.Keys("Secret", salt, 32), DeriveAesKeys("Secret", salt, 32)));
    EXPECT_EQ(cache.Derivations() - before, 1u);
    // Another password, another salt, or AES-128 over the salt's first half:
    // other keys, each derived.
    EXPECT_TRUE(Same(cache.Keys("Secreu", salt, 32), DeriveAesKeys("Secreu", salt, 32)));
    EXPECT_TRUE(Same(cache.Keys("Secret", other, 32), DeriveAesKeys("Secret", other, 32)));
    EXPECT_TRUE(Same(cache.Keys("Secret", salt, 16), DeriveAesKeys("Secret", salt, 16)));
    EXPECT_EQ(cache.Derivations() - before, 4u);
    EXPECT_EQ(cache.Size(), 4u);
    EXPECT_THROW(cache.Keys("Secret", salt, 20), Exception);
    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
}

class AesPrefetch : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string zip = dir.file("Daybank.zip");
    static constexpr int kAes = 16;
    TZipReader reader;

    void SetUp() override {
        // 16 AES entries, then one traditional and one plain: not AES, so
        // never prepared.
        for (int day = 1; day <= kAes; ++day)
            testsupport::Store(zip, "2001\\1\\Week1\\" + std::to_string(day) + ".rtf",
                               "entry " + std::to_string(day), "Secret", zcAes256);
        testsupport::Store(zip, "2001\\1\\Week3\\17.rtf", "entry 17", "Secret", zcTraditional);
        testsupport::Store(zip, "2001\\1\\Week3\\18.rtf", "entry 18");
        TAesKeyCache::Instance().Clear(); // as a new run finds it
        reader.SetZipName(zip);
        reader.ZipPassword = "Secret";
        reader.DoProcessMessages = false;
    }
    std::string Read(int index) {
        TMemoryStream out;
        EXPECT_EQ(reader.ExtractIndexToStream(&out, index), 1);
        return out.ToString();
    }
    std::vector<int> Indexes() {
        reader.OpenArchive();
        std::vector<int> all(static_cast<std::size_t>(reader.Count()));
        std::iota(all.begin(), all.end(), 0);
        return all;
    }
};

TEST_F(AesPrefetch, ReaderAndWorkersMeetingKeyEveryMemberOnce) {
    const std::vector<int> all = Indexes();
    ASSERT_EQ(all.size(), kAes + 2u);
    std::vector<TAesSalt> salts = reader.AesSalts(all);
    ASSERT_EQ(salts.size(), static_cast<std::size_t>(kAes));
    EXPECT_EQ(salts[0].KeyBytes, 32);

    TAesKeyCache& cache = TAesKeyCache::Instance();
    const std::uint64_t before = cache.Derivations();
    {
        // The reader goes backwards while two workers go forwards: it meets
        // members made, being made and not yet claimed.
        TAesKeyPrefetch prefetch("Secret", salts, 2);
        for (int i = static_cast<int>(all.size()) - 1; i >= 0; --i) {
            const std::string name = reader.Member(i).FileName();
            EXPECT_EQ(Read(i), "entry " + name.substr(0, name.size() - 4));
        }
    }
    EXPECT_EQ(cache.Derivations() - before, static_cast<std::uint64_t>(kAes));

    // Left alone, a prefetch makes every key before anything is read.
    cache.Clear();
    {
        TAesKeyPrefetch prefetch("Secret", salts, 2);
        // Waited on, not timed: a busy machine only makes it later.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (cache.Size() < kAes && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(cache.Size(), static_cast<std::size_t>(kAes));
    }
    const std::uint64_t made = cache.Derivations();
    for (int i : all)
        Read(i);
    EXPECT_EQ(cache.Derivations(), made);
}

TEST_F(AesPrefetch, AStoppedPrefetchLeavesEveryMemberReadable) {
    const std::vector<int> all = Indexes();
    TAesKeyCache& cache = TAesKeyCache::Instance();
    for (int round = 0; round < 3; ++round) {
        cache.Clear();
        const std::uint64_t before = cache.Derivations();
        // Stopped at once: the members the workers had claimed are finished,
        // the others never claimed; the reader keys those itself.
        { TAesKeyPrefetch prefetch("Secret", reader.AesSalts(all), 2); }
        for (int i : all)
            Read(i);
        EXPECT_EQ(cache.Derivations() - before, static_cast<std::uint64_t>(kAes));
    }
}

} // namespace
