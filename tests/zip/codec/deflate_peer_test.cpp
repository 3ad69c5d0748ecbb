// The encoder's output is a function of its input alone: the same member
// gives the same bytes whatever the encoder deflated before, and the same
// bytes as Info-ZIP zip at every level, over a deterministic sample of the
// system's binaries, headers and text files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "deflate_test_support.h"
#include "support/test_support.h"

using namespace deflatetest;
using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

namespace fs = std::filesystem;

std::string Deflated(TDeflater& deflater, const std::string& input, int level,
                     std::uint16_t* method = nullptr) {
    TStringIO io(input);
    std::uint16_t flags = 0, m = 8, attributes = 2;
    deflater.Deflate(io, level, flags, m, attributes);
    if (method) *method = m;
    return io.Output();
}

// A member of 65,535 bytes fills the window up to its very last byte, which
// it never reaches. It ends in a 20-byte tail that occurs twice before, once
// followed by 'a' (nearer) and once by 'b' (further back). Only the tail's 20
// bytes are input, so both candidates are equally good and the nearer one is
// the answer; a search that peeked at the window byte after the input would
// prefer the further one whenever that byte is a 'b'. The bytes before each
// tail differ, so no match starts earlier.
constexpr std::size_t kTailAt = 65515, kNearTailAt = 50001;

std::string MemberEndingInTwoEqualCandidates() {
    const std::string tail = "#tail-of-the-member!";
    std::string data = TextBytes(65535 - 3 * tail.size() - 5, 41);
    data.insert(35000, "X" + tail + "b");
    data.insert(kNearTailAt - 1, "Y" + tail + "a");
    data += "Z" + tail;
    return data;
}

TEST(DeflateDeterminism, MemberAfterOthersGivesTheBytesOfTheMemberAlone) {
    const std::string member = MemberEndingInTwoEqualCandidates();
    ASSERT_EQ(member.size(), 65535u);
    ASSERT_EQ(member.substr(kTailAt), member.substr(kNearTailAt, 20));
    // 65,536 bytes ending in 'b' leave that 'b' in the window's last byte.
    std::string before = TextBytes(65535, 42) + "b";
    for (int level = 1; level <= 9; ++level) {
        TDeflater fresh;
        const std::string alone = Deflated(fresh, member, level);
        TDeflater used;
        Deflated(used, before, level);
        Deflated(used, TextBytes(200000, 43) + member, level);
        Deflated(used, before, level);
        const std::string after = Deflated(used, member, level);
        EXPECT_TRUE(after == alone) << "level " << level << ": " << after.size() << " bytes after "
                                    << "other members, " << alone.size() << " alone";
        EXPECT_TRUE(DecodeDeflate(alone).data == member) << "level " << level;
    }
}

TEST(DeflateDeterminism, InputInSmallPiecesGivesTheBytesOfInputInOnePiece) {
    // Text made of repeated stretches, so that matches of 258 bytes are
    // common, over several slides of the window. Read a byte at a time, the
    // window holds no more than the lookahead the matcher keeps; the matcher
    // must not act on bytes it has not read yet.
    std::vector<std::string> pool;
    for (std::uint32_t i = 0; i < 24; ++i)
        pool.push_back(TextBytes(300 + 97 * i, 500 + i));
    std::string input;
    std::uint32_t pick = 7;
    while (input.size() < 240000) {
        pick = pick * 1103515245u + 12345u;
        input += pool[(pick >> 16) % pool.size()];
    }
    for (int level = 1; level <= 9; ++level) {
        const TDeflated whole = DeflateString(input, level);
        for (unsigned piece : {1u, 7u, 300u}) {
            const TDeflated pieces = DeflateString(input, level, piece);
            EXPECT_TRUE(pieces.data == whole.data)
                << "level " << level << ", pieces of " << piece << ": " << pieces.data.size()
                << " bytes, " << whole.data.size() << " in one piece";
        }
    }
}

TEST(DeflateDeterminism, LastMatchTakesTheNearestCandidateThatReachesTheEnd) {
    const std::string member = MemberEndingInTwoEqualCandidates();
    for (int level : {4, 9}) { // levels whose chains reach both candidates
        TDeflater deflater;
        TDecoded decoded = DecodeDeflate(Deflated(deflater, member, level));
        ASSERT_FALSE(decoded.blocks.empty());
        const std::vector<TSymbol>& symbols = decoded.blocks.back().symbols;
        ASSERT_FALSE(symbols.empty());
        const TSymbol last = symbols.back();
        EXPECT_EQ(last.length, 20u) << "level " << level;
        EXPECT_EQ(last.distance, kTailAt - kNearTailAt) << "level " << level;
    }
}

// --- the differential test against Info-ZIP zip ---

struct TSampleFile {
    std::string path; // absolute
    std::string data;
};

// Up to `count` regular files under root, evenly spread over the sorted list
// of those that qualify, so the sample is the same on every run of a machine.
std::vector<std::string> Spread(const std::string& root, bool recurse, std::uintmax_t minSize,
                                std::uintmax_t maxSize, const std::vector<std::string>& suffixes,
                                std::size_t count) {
    std::vector<std::string> all;
    auto consider = [&](const fs::directory_entry& entry) {
        std::error_code ec;
        if (entry.is_symlink(ec) || !entry.is_regular_file(ec)) return;
        const std::string path = entry.path().string();
        if (path.find_first_of("\n\\") != std::string::npos) return;
        const std::uintmax_t size = entry.file_size(ec);
        if (ec || size < minSize || size > maxSize) return;
        const std::string ext = entry.path().extension().string();
        // zip stores these suffixes without trying to compress them.
        for (const char* skip : {".gz", ".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj"})
            if (ext == skip) return;
        if (!suffixes.empty() && std::find(suffixes.begin(), suffixes.end(), ext) == suffixes.end())
            return;
        if (::access(path.c_str(), R_OK) != 0) return;
        all.push_back(path);
    };
    std::error_code ec;
    if (recurse) {
        for (auto it = fs::recursive_directory_iterator(
                 root, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            consider(*it);
    } else {
        for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            consider(*it);
    }
    std::sort(all.begin(), all.end());
    std::vector<std::string> picked;
    const std::size_t n = std::min(count, all.size());
    for (std::size_t i = 0; i < n; ++i)
        picked.push_back(all[i * all.size() / n]);
    return picked;
}

std::uint32_t Le(const std::string& s, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s.at(at + i))) << (8 * i);
    return v;
}

struct TPeerMember {
    std::uint16_t method;
    std::string data;
};

// Name -> method and raw data, read from the archive's central directory.
std::map<std::string, TPeerMember> ReadMembers(const std::string& archive) {
    std::map<std::string, TPeerMember> members;
    const std::size_t eocd = archive.rfind(std::string("PK\x05\x06", 4));
    if (eocd == std::string::npos) throw std::runtime_error("no end of central directory");
    const std::uint32_t entries = Le(archive, eocd + 10, 2);
    std::size_t p = Le(archive, eocd + 16, 4);
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (Le(archive, p, 4) != 0x02014B50) throw std::runtime_error("bad central header");
        const auto method = static_cast<std::uint16_t>(Le(archive, p + 10, 2));
        const std::uint32_t compressed = Le(archive, p + 20, 4);
        const std::uint32_t nameLength = Le(archive, p + 28, 2);
        const std::uint32_t extra = Le(archive, p + 30, 2) + Le(archive, p + 32, 2);
        const std::uint32_t local = Le(archive, p + 42, 4);
        const std::string name = archive.substr(p + 46, nameLength);
        const std::size_t data =
            local + 30 + Le(archive, local + 26, 2) + Le(archive, local + 28, 2);
        members[name] = {method, archive.substr(data, compressed)};
        p += 46 + nameLength + extra;
    }
    return members;
}

// Inputs whose hash chains are extreme: runs, short and long periods,
// stretches repeated at random, counters, and repeats near the reach.
std::vector<TSampleFile> SyntheticFiles(const std::string& dir) {
    std::vector<TSampleFile> files;
    auto add = [&](const std::string& name, std::string data) {
        testsupport::WriteFile(dir + "/" + name, data);
        files.push_back({dir + "/" + name, std::move(data)});
    };
    add("zeros", std::string(150000, '\0'));
    for (std::size_t period : {2, 3, 7, 64, 257, 300}) {
        const std::string unit = TextBytes(period, static_cast<std::uint32_t>(period));
        std::string data;
        while (data.size() < 90000)
            data += unit;
        add("period" + std::to_string(period), data);
    }
    std::vector<std::string> pool;
    for (std::uint32_t i = 0; i < 24; ++i)
        pool.push_back(TextBytes(300 + 97 * i, 500 + i));
    std::string stretches, runs, counters;
    std::uint32_t pick = 11;
    while (stretches.size() < 200000) {
        pick = pick * 1103515245u + 12345u;
        stretches += pool[(pick >> 16) % pool.size()];
        runs += std::string((pick >> 8) % 300 + 1, static_cast<char>('a' + (pick >> 20) % 3));
    }
    add("stretches", stretches);
    add("runs", runs);
    for (std::uint32_t i = 0; counters.size() < 120000; ++i)
        counters.append(reinterpret_cast<const char*>(&i), sizeof i);
    add("counters", counters);
    const std::string block = RandomBytes(400, 77);
    add("far", block + RandomBytes(32506 - 400, 78) + block + TextBytes(32000, 79) + block);
    return files;
}

TEST(DeflatePeer, SameBytesAsInfoZipAtEveryLevelOverSystemAndMadeUpFiles) {
    ASSERT_TRUE(testsupport::HaveProgram("zip"));
    testsupport::TempDir dir;
    // About 4 MB in all: many small files and some that slide the window.
    std::vector<std::string> paths = Spread("/usr/bin", false, 1, 150000, {}, 80);
    for (const std::string& p : Spread("/usr/include", true, 1, 100000, {".h"}, 110))
        paths.push_back(p);
    for (const std::string& p : Spread("/usr/share/doc", true, 1, 100000, {}, 100))
        paths.push_back(p);
    ASSERT_GE(paths.size(), 200u) << "too few system files to compare";

    std::vector<TSampleFile> files = SyntheticFiles(dir.path());
    for (const std::string& path : paths)
        files.push_back({path, testsupport::ReadFile(path)});
    std::string list;
    std::size_t total = 0;
    for (const TSampleFile& f : files) {
        total += f.data.size();
        list += f.path + "\n";
    }
    std::size_t sliding = 0;
    for (const TSampleFile& f : files)
        sliding += f.data.size() > 65536 ? 1 : 0;
    EXPECT_GE(sliding, 10u) << "the sample should hold files that slide the window";
    RecordProperty("files", static_cast<int>(files.size()));
    RecordProperty("bytes", static_cast<int>(total));

    TDeflater deflater; // one encoder for every member, as the writer uses it
    for (int level = 1; level <= 9; ++level) {
        const std::string archive = dir.file("peer" + std::to_string(level) + ".zip");
        ASSERT_EQ(
            RunCommand("zip -q -X -" + std::to_string(level) + " " + ShellQuote(archive) + " -@",
                       nullptr, list),
            0);
        const std::map<std::string, TPeerMember> peer = ReadMembers(testsupport::ReadFile(archive));
        int differing = 0, compared = 0;
        for (const TSampleFile& f : files) {
            auto it = peer.find(f.path.substr(1)); // zip drops the leading '/'
            ASSERT_NE(it, peer.end()) << f.path;
            std::uint16_t method = 0;
            const std::string ours = Deflated(deflater, f.data, level, &method);
            if (it->second.method == 0 && method == 8 && ours.size() >= f.data.size()) {
                // zip stores afterwards what did not shrink; the writer decides
                // that for us, the encoder's bytes have nothing to compare to.
                continue;
            }
            ++compared;
            if (method != it->second.method || ours != it->second.data) {
                if (++differing <= 5)
                    ADD_FAILURE() << "level " << level << ": " << f.path << " (" << f.data.size()
                                  << " bytes) method " << method << " vs " << it->second.method
                                  << ", " << ours.size() << " vs " << it->second.data.size()
                                  << " bytes";
            }
        }
        EXPECT_EQ(differing, 0) << "level " << level << ": " << differing << " of " << compared
                                << " members differ";
        EXPECT_GE(compared, static_cast<int>(files.size()) * 9 / 10) << "level " << level;
    }
}

// The keyed chains are only a faster way to the same matches: over inputs
// with extreme chains, whose long matches cross the lag of the sixteen-byte
// chain and the end of the input, the levels that use them give the bytes of
// the three-byte chains walked alone.
TEST(DeflateKeyedChains, GiveTheBytesOfThePlainChainWalk) {
    testsupport::TempDir dir;
    std::vector<TSampleFile> files = SyntheticFiles(dir.path());
    for (const std::string& p : Spread("/usr/bin", false, 1, 400000, {}, 12))
        files.push_back({p, testsupport::ReadFile(p)});
    // Matches that end on every byte near the input's end, and stretches
    // that differ just past 5, 8 and 16 bytes.
    const std::string unit = TextBytes(40, 5);
    for (std::size_t cut = 0; cut < 24; ++cut)
        files.push_back({"tail", unit + TextBytes(100, 6) + unit.substr(0, cut)});
    std::string near;
    for (std::size_t at : {4u, 5u, 6u, 7u, 8u, 15u, 16u, 17u, 31u, 32u}) {
        for (int copy = 0; copy < 30; ++copy) {
            std::string s = unit;
            s[at] = static_cast<char>('A' + copy);
            near += s;
        }
    }
    files.push_back({"near", near});
    // More strings sharing a unit of 6 or 17 bytes than the budgets take,
    // and beyond them all, still within reach, the one that goes on: a walk
    // ends at the budget (a few candidates late on the keyed chains) and
    // must not take it.
    for (std::size_t size : {6u, 17u}) {
        const std::string unit = TextBytes(size, 8), tail = TextBytes(200, 9);
        std::string crowd = unit + tail;
        std::uint32_t pick = 5;
        while (crowd.size() < 30000) {
            pick = pick * 1103515245u + 12345u;
            crowd += unit + static_cast<char>('0' + (pick >> 24) % 10);
        }
        files.push_back({"crowd" + std::to_string(size), crowd + unit + tail});
    }
    TDeflater keyed, plain;
    plain.PlainSearch = true;
    for (int level = 6; level <= 9; ++level) {
        for (const TSampleFile& f : files) {
            std::uint16_t keyedMethod = 0, plainMethod = 0;
            const std::string a = Deflated(keyed, f.data, level, &keyedMethod);
            const std::string b = Deflated(plain, f.data, level, &plainMethod);
            ASSERT_TRUE(a == b && keyedMethod == plainMethod)
                << "level " << level << ": " << f.path << " (" << f.data.size() << " bytes), "
                << a.size() << " vs " << b.size() << " bytes";
        }
    }
}

} // namespace
