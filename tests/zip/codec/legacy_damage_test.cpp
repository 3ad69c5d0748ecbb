// Damaged legacy members: every sample member cut short at (nearly) every
// length, and hit by a few hundred random bit flips. Each run must end (no
// crash, no hang, nothing read or written outside the buffers; the sanitizer
// build checks the last) and the member must fail its CRC check, stop with a
// decoder failure, or be refused by the frame's size check, unless the
// damage left the output exactly right.
#include "legacy_support.h"

#include <gtest/gtest.h>

#include <random>

using codectest::LocalMember;
using codectest::RunLegacy;

namespace {

const char* const kSamples[] = {"commons-compress__SHRUNK.ZIP",
                                "commons-compress__imploding-4Kdict-2trees.zip",
                                "commons-compress__imploding-8Kdict-3trees.zip",
                                "hwzip-generated__reduce1.zip", "hwzip-generated__reduce4.zip"};

std::vector<LocalMember> AllMembers() {
    std::vector<LocalMember> all;
    for (const char* file : kSamples)
        for (const LocalMember& m : codectest::SampleMembers(file))
            all.push_back(m);
    return all;
}

// True when the damage shows: what a reader would count as a failed member.
bool Fails(const codectest::LegacyOutcome& o, const LocalMember& m) {
    return o.tooBig || o.result != 0 || o.crc != m.crc;
}

} // namespace

TEST(LegacyDamage, TruncatedMembersFail) {
    for (const LocalMember& m : AllMembers()) {
        SCOPED_TRACE(m.name);
        const std::string good = RunLegacy(m.method, m.flags, m.data, m.uncompressedSize).out;
        const std::size_t n = m.data.size();
        // Every length for the small members; for the large ones every 13th
        // and the last 100 (where a cut is hardest to notice).
        const std::size_t step = n < 1000 ? 1 : 13;
        int tried = 0;
        for (std::size_t keep = 0; keep < n; ++keep) {
            if (keep % step != 0 && keep + 100 < n) continue;
            auto o = RunLegacy(m.method, m.flags, m.data.substr(0, keep), m.uncompressedSize);
            ++tried;
            if (o.out == good) continue; // the cut only took padding bits
            EXPECT_TRUE(Fails(o, m)) << "kept " << keep << " of " << n;
        }
        EXPECT_GT(tried, 60);
    }
}

// The member's stated size is right but the archive itself ends early: the
// frame raises "Premature end of file reached".
TEST(LegacyDamage, ArchiveEndingInsideAMemberIsAPrematureEnd) {
    for (const LocalMember& m : AllMembers()) {
        SCOPED_TRACE(m.name);
        for (std::size_t keep : {std::size_t{0}, m.data.size() / 2, m.data.size() - 1}) {
            TUnZipWork work;
            TMemoryStream in(m.data.substr(0, keep)), out;
            work.StartMember(in, out, static_cast<std::int64_t>(m.data.size()), m.uncompressedSize);
            try {
                if (m.method == 1)
                    UnShrink(work);
                else if (m.method == 6)
                    Explode(work, m.flags);
                else
                    UnReduce(work, static_cast<int>(m.method) - 1);
                ADD_FAILURE() << "no exception, kept " << keep;
            } catch (const EFatalUnzipError& e) {
                EXPECT_STREQ(e.what(), "Premature end of file reached");
            }
        }
    }
}

TEST(LegacyDamage, BitFlippedMembersFail) {
    std::mt19937 rng(20261208);
    TUnZipWork shared; // as in a run, the frame carries over from damaged members
    for (const LocalMember& m : AllMembers()) {
        SCOPED_TRACE(m.name);
        const std::string good = RunLegacy(m.method, m.flags, m.data, m.uncompressedSize).out;
        int failed = 0;
        for (int i = 0; i < 300; ++i) {
            std::string data = m.data;
            int flips = 1 + static_cast<int>(rng() % 3);
            for (int f = 0; f < flips; ++f)
                data[rng() % data.size()] ^= static_cast<char>(1u << (rng() % 8));
            auto o = RunLegacy(m.method, m.flags, data, m.uncompressedSize, &shared);
            if (o.out == good) continue; // a flip in padding bits, or flipped back
            EXPECT_TRUE(Fails(o, m)) << "run " << i;
            ++failed;
        }
        EXPECT_GT(failed, 200);
        // The shared frame still decodes the undamaged member.
        EXPECT_EQ(RunLegacy(m.method, m.flags, m.data, m.uncompressedSize, &shared).crc, m.crc);
    }
}
