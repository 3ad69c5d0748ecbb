#include "support/test_support.h"
#include "zip/dir_search.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct TResult {
    std::vector<std::string> paths; // in walk order
    std::map<std::string, std::int64_t> sizes;
};

TResult Walk(const std::string& start, bool recurse, const std::string& pattern) {
    TResult r;
    TDirSearch search(start, recurse, pattern);
    std::int64_t size;
    std::string path;
    while (search.Next(size, path)) {
        r.paths.push_back(path);
        r.sizes[path] = size;
    }
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(search.Next(size, path)); // stays over
    return r;
}

std::set<std::string> AsSet(const std::vector<std::string>& v) {
    return {v.begin(), v.end()};
}

// A small diary tree:
//   root/a.rtf  root/b.txt  root/README  root/.hidden/x.rtf
//   root/2001/1.rtf  root/2001/may/3.rtf  root/2001/may/notes.txt
//   root/2002/2.rtf
class DirSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path() + "/root";
        for (const char* d : {"", "/.hidden", "/2001", "/2001/may", "/2002"})
            std::filesystem::create_directories(root + d);
        WriteFile(root + "/a.rtf", "aaaa");
        WriteFile(root + "/b.txt", "b");
        WriteFile(root + "/README", "readme");
        WriteFile(root + "/.hidden/x.rtf", "x");
        WriteFile(root + "/2001/1.rtf", "1");
        WriteFile(root + "/2001/may/3.rtf", "333");
        WriteFile(root + "/2001/may/notes.txt", "n");
        WriteFile(root + "/2002/2.rtf", "22");
    }
    TempDir dir;
    std::string root;
};

} // namespace

TEST_F(DirSearchTest, FlatWalkMatchesFilesOnly) {
    TResult r = Walk(root, false, "*.rtf");
    EXPECT_EQ(AsSet(r.paths), (std::set<std::string>{root + "/a.rtf"}));
    EXPECT_EQ(r.sizes[root + "/a.rtf"], 4);
}

TEST_F(DirSearchTest, StarDotStarTakesNamesWithoutADot) {
    TResult r = Walk(root + "/", false, "*.*");
    EXPECT_EQ(AsSet(r.paths),
              (std::set<std::string>{root + "/a.rtf", root + "/b.txt", root + "/README"}));
}

TEST_F(DirSearchTest, RecursionReturnsEachFolderBeforeItsFiles) {
    TResult r = Walk(root, true, "*.rtf");
    std::set<std::string> expected = {
        root + "/a.rtf",          root + "/2001/", root + "/2001/1.rtf", root + "/2001/may/",
        root + "/2001/may/3.rtf", root + "/2002/", root + "/2002/2.rtf"};
    EXPECT_EQ(AsSet(r.paths), expected); // no ".hidden", no notes.txt
    EXPECT_EQ(r.paths.size(), expected.size());
    auto at = [&](const std::string& p) {
        return std::find(r.paths.begin(), r.paths.end(), p) - r.paths.begin();
    };
    for (const std::string& p : r.paths) {
        std::string folder = p.substr(0, p.find_last_of('/', p.size() - 2) + 1);
        if (folder != root + "/") {
            EXPECT_LT(at(folder), at(p)) << p;
        }
    }
    // A folder is followed directly by its own contents, not by its siblings.
    std::size_t may = static_cast<std::size_t>(at(root + "/2001/may/"));
    EXPECT_EQ(r.paths[may + 1], root + "/2001/may/3.rtf");
    EXPECT_EQ(r.sizes[root + "/2001/may/"], 0);
}

TEST_F(DirSearchTest, FolderPatternsSelectLevels) {
    TResult r = Walk(root + "/20*/", false, "*.rtf");
    EXPECT_EQ(AsSet(r.paths), (std::set<std::string>{root + "/2001/1.rtf", root + "/2002/2.rtf"}));
    r = Walk(root + "/200<0-1>/m?y", false, "*");
    EXPECT_EQ(AsSet(r.paths),
              (std::set<std::string>{root + "/2001/may/3.rtf", root + "/2001/may/notes.txt"}));
    r = Walk(root + "/*/", true, "*.rtf");
    EXPECT_EQ(AsSet(r.paths),
              (std::set<std::string>{root + "/2001/1.rtf", root + "/2001/may/",
                                     root + "/2001/may/3.rtf", root + "/2002/2.rtf"}));
    r = Walk(root + "/19*/", true, "*");
    EXPECT_TRUE(r.paths.empty());
}

TEST_F(DirSearchTest, MissingStartFolderEndsAtOnce) {
    EXPECT_TRUE(Walk(root + "/nothing", true, "*").paths.empty());
}

TEST_F(DirSearchTest, SymlinkedFoldersAreNotRecursedInto) {
    std::filesystem::create_directory_symlink(root, root + "/2002/loop");
    TResult r = Walk(root, true, "*.rtf");
    for (const std::string& p : r.paths)
        EXPECT_EQ(p.find("/loop"), std::string::npos) << p;
}

TEST(DirSearch, BeyondTwentyOneLevelsSiblingsGoOnButDeeperFoldersAreLeft) {
    TempDir dir;
    std::string path = dir.path();
    std::vector<std::string> folders;
    for (int depth = 1; depth <= 25; ++depth) {
        path += "/d" + std::to_string(depth);
        folders.push_back(path + "/");
        std::filesystem::create_directory(path);
        WriteFile(path + "/f.rtf", "x");
    }
    WriteFile(dir.path() + "/z.rtf", "z");
    TResult r = Walk(dir.path(), true, "*.rtf");
    std::set<std::string> got = AsSet(r.paths);
    // The start folder is level 0; levels 1..20 (folders d1..d20) are entered.
    for (int depth = 1; depth <= 25; ++depth) {
        const std::string& folder = folders[static_cast<std::size_t>(depth - 1)];
        EXPECT_EQ(got.count(folder), depth <= 20 ? 1u : 0u) << depth;
        EXPECT_EQ(got.count(folder + "f.rtf"), depth <= 20 ? 1u : 0u) << depth;
    }
    EXPECT_EQ(got.count(dir.path() + "/z.rtf"), 1u);
    EXPECT_EQ(r.paths.size(), 41u);
}
