// Archives the writer makes must pass the peers' tests (Info-ZIP unzip, 7z,
// Python's zipfile), with and without passwords, at every level.
#include <gtest/gtest.h>

#include <random>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::TempDir;
using namespace writertest;

namespace {

std::string Entry(int i, std::size_t size) {
    std::mt19937 rng(static_cast<std::uint32_t>(i));
    static const char* const words[] = {"{\\rtf1\\ansi ", "\\par ", "diary ", "day ",
                                        "{\\b bold} ",    "rain ",  "sun ",   "\\'e9t\\'e9 ",
                                        "and ",           "went "};
    std::string s;
    while (s.size() < size)
        s += words[rng() % 10];
    s.resize(size);
    if (i % 5 == 0) // some binary members too
        for (std::size_t k = 0; k < s.size(); k += 7)
            s[k] = static_cast<char>(rng());
    return s;
}

} // namespace

TEST(WriterPeers, EveryLevelWithAndWithoutPasswordPassesThePeers) {
    ASSERT_TRUE(testsupport::HaveProgram("unzip"));
    ASSERT_TRUE(testsupport::HaveProgram("7z"));
    for (const std::string password : {"", "Geheim \xE9t\xE9"}) {
        for (int level = 0; level <= 9; ++level) {
            TempDir dir;
            const std::string zip = dir.file("Daybank.zip");
            TZipWriter w;
            w.SetZipName(zip);
            w.SetStorePaths(true);
            w.SetPackLevel(level);
            w.ZipPassword = password;
            std::vector<std::pair<std::string, std::string>> expected;
            const std::size_t sizes[] = {0, 1, 100, 3000, 70000};
            for (int i = 0; i < 12; ++i) {
                const std::string name =
                    "2001\\" + std::to_string(i % 4 + 1) + "\\" + std::to_string(i) + ".rtf";
                const std::string data = Entry(i + level * 100, sizes[i % 5]);
                TMemoryStream s(data);
                ASSERT_EQ(w.AddFromStream(&s, name), 1);
                std::string stored = name;
                for (char& c : stored)
                    if (c == '\\') c = '/';
                expected.emplace_back(stored, data);
            }
            // Replace two of them, so copied and re-written members mix.
            for (int i : {3, 7}) {
                const std::string data = Entry(1000 + i, 5000);
                TMemoryStream s(data);
                ASSERT_EQ(w.AddFromStream(&s, "2001\\" + std::to_string(i % 4 + 1) + "\\" +
                                                  std::to_string(i) + ".rtf"),
                          1);
                expected[static_cast<std::size_t>(i)].second = data;
            }
            // Python reads Latin-1 passwords; ours are the same bytes.
            EXPECT_EQ(UnzipTest(zip, password), "") << level;
            EXPECT_EQ(SevenZipTest(zip, password), "") << level;
            std::vector<std::pair<std::string, std::string>> members;
            ASSERT_EQ(PythonReadAll(zip, password, members), "") << level;
            EXPECT_EQ(members, expected) << "level " << level << " password '" << password << "'";
        }
    }
}
