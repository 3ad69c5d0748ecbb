// Damaged archives: truncated anywhere, bytes flipped in the directory and
// in the data. The reader answers with its exceptions or a count of 0 (or
// a member that still checks out), never with a crash or a hang; extracted
// bytes are always the member's true bytes.
#include "support/test_support.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

#include <random>

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct Quiet {
    TEngineHooks saved = EngineHooks();
    Quiet() {
        EngineHooks().MessageBox = [](const std::string&, const std::string&) {};
    }
    ~Quiet() { EngineHooks() = saved; }
};

// Tries every member; returns how many came out, checking their bytes.
int TryAll(const std::string& path,
           const std::vector<std::pair<std::string, std::string>>& members) {
    TZipReader r;
    r.DoProcessMessages = false;
    r.ZipPassword = "pw";
    r.SetZipName(path);
    int good = 0;
    for (const auto& [name, bytes] : members) {
        TMemoryStream out;
        try {
            if (r.ExtractToStream(&out, name) == 1) {
                ++good;
                EXPECT_TRUE(out.ToString() == bytes) << name;
            } else {
                EXPECT_EQ(out.Size(), 0);
            }
        } catch (const Exception&) {
            EXPECT_EQ(out.Size(), 0);
        }
    }
    return good;
}

class CorruptTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> members;
    std::string original;

    void SetUp() override {
        std::mt19937 rng(5);
        std::string text;
        while (text.size() < 40000)
            text += "line " + std::to_string(rng() % 1000) + " of the entry\n";
        std::string small = "{\\rtf1 short}";
        WriteFile(dir.file("a.rtf"), text);
        WriteFile(dir.file("b.rtf"), small);
        WriteFile(dir.file("c.rtf"), text.substr(0, 5000));
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) +
                             " && zip -q -9 t.zip a.rtf b.rtf && zip -q -0 t.zip c.rtf"),
                  0);
        members = {{"a.rtf", text}, {"b.rtf", small}, {"c.rtf", text.substr(0, 5000)}};
        original = testsupport::ReadFile(dir.file("t.zip"));
    }
};

} // namespace

TEST_F(CorruptTest, TruncatedAnywhere) {
    Quiet quiet;
    ASSERT_EQ(TryAll(dir.file("t.zip"), members), 3);
    std::string path = dir.file("cut.zip");
    for (std::size_t len = 0; len < original.size();
         len += (len < 200 || len + 200 > original.size()) ? 1 : 97) {
        WriteFile(path, original.substr(0, len));
        TryAll(path, members);
    }
}

TEST_F(CorruptTest, FlippedBytes) {
    Quiet quiet;
    std::mt19937 rng(11);
    std::string path = dir.file("flip.zip");
    std::size_t central = original.find(std::string("PK\x01\x02", 4));
    for (int round = 0; round < 600; ++round) {
        std::string bytes = original;
        int flips = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < flips; ++f) {
            // Half the rounds hit the directory and end record, half anywhere.
            std::size_t pos =
                round % 2 ? central + rng() % (bytes.size() - central) : rng() % bytes.size();
            bytes[pos] = static_cast<char>(bytes[pos] ^ (1 + rng() % 255));
        }
        WriteFile(path, bytes);
        TryAll(path, members);
    }
}
