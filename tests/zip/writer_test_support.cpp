#include "writer_test_support.h"

#include <stdexcept>

#include "support/test_support.h"

namespace writertest {

namespace {

std::uint32_t Get(const std::string& b, std::size_t at, int bytes) {
    if (at + static_cast<std::size_t>(bytes) > b.size())
        throw std::runtime_error("archive ends inside a header");
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

} // namespace

TRawArchive ReadRawArchive(const std::string& b) {
    if (b.size() < 22) throw std::runtime_error("too short for an end record");
    std::size_t end = b.size() - 22;
    while (Get(b, end, 4) != 0x06054B50) {
        if (end == 0) throw std::runtime_error("no end record");
        --end;
    }
    TRawArchive a;
    a.entriesThisDisk = static_cast<std::uint16_t>(Get(b, end + 8, 2));
    a.totalEntries = static_cast<std::uint16_t>(Get(b, end + 10, 2));
    const std::uint32_t centralSize = Get(b, end + 12, 4);
    std::size_t p = Get(b, end + 16, 4);
    if (p + centralSize != end)
        throw std::runtime_error("central directory does not end at the end record");
    for (int i = 0; i < a.totalEntries; ++i) {
        if (Get(b, p, 4) != 0x02014B50) throw std::runtime_error("bad central header signature");
        TRawMember m;
        m.flags = static_cast<std::uint16_t>(Get(b, p + 8, 2));
        m.method = static_cast<std::uint16_t>(Get(b, p + 10, 2));
        m.dosDateTime = Get(b, p + 12, 4);
        m.crc = Get(b, p + 16, 4);
        m.compressedSize = Get(b, p + 20, 4);
        m.uncompressedSize = Get(b, p + 24, 4);
        const std::uint32_t n = Get(b, p + 28, 2), x = Get(b, p + 30, 2), k = Get(b, p + 32, 2);
        m.internalAttributes = static_cast<std::uint16_t>(Get(b, p + 36, 2));
        m.localOffset = Get(b, p + 42, 4);
        if (p + 46 + n > b.size()) throw std::runtime_error("central name runs past the end");
        m.name = b.substr(p + 46, n);
        m.versionNeeded = static_cast<std::uint16_t>(Get(b, p + 6, 2));
        m.centralExtra = b.substr(p + 46 + n, x);
        p += 46 + n + x + k;
        const std::size_t l = m.localOffset;
        if (Get(b, l, 4) != 0x04034B50) throw std::runtime_error("bad local header signature");
        const std::uint32_t ln = Get(b, l + 26, 2), lx = Get(b, l + 28, 2);
        m.localAgrees = Get(b, l + 6, 2) == m.flags && Get(b, l + 8, 2) == m.method &&
                        Get(b, l + 10, 4) == m.dosDateTime && Get(b, l + 14, 4) == m.crc &&
                        Get(b, l + 18, 4) == m.compressedSize &&
                        Get(b, l + 22, 4) == m.uncompressedSize && b.substr(l + 30, ln) == m.name;
        m.localExtra = b.substr(l + 30 + ln, lx);
        const std::size_t data = l + 30 + ln + lx;
        if (data + m.compressedSize > b.size())
            throw std::runtime_error("member data runs past the end");
        m.data = b.substr(data, m.compressedSize);
        a.members.push_back(std::move(m));
    }
    if (a.entriesThisDisk != a.totalEntries) throw std::runtime_error("entry counts differ");
    return a;
}

std::vector<std::string> TempFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : testsupport::ListDir(folder))
        if (name.rfind("ZQX", 0) == 0 ||
            (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0))
            found.push_back(name);
    return found;
}

std::string UnzipTest(const std::string& archive, const std::string& password) {
    std::string out;
    std::string cmd =
        "unzip -tq " +
        (password.empty() ? std::string() : "-P " + testsupport::ShellQuote(password) + " ") +
        testsupport::ShellQuote(archive) + " 2>&1";
    return testsupport::RunCommand(cmd, &out) == 0 ? std::string() : out;
}

std::string SevenZipTest(const std::string& archive, const std::string& password) {
    std::string out;
    std::string cmd = "7z t -bd " + std::string("-p") + testsupport::ShellQuote(password) + " " +
                      testsupport::ShellQuote(archive) + " 2>&1";
    return testsupport::RunCommand(cmd, &out) == 0 ? std::string() : out;
}

std::string PythonReadAll(const std::string& archive, const std::string& password,
                          std::vector<std::pair<std::string, std::string>>& members) {
    // Each member comes out as: name length, name, data length, data (4-byte lengths).
    std::string out;
    std::string cmd =
        "python3 -c \"import sys,zipfile,struct\n"
        "import os;z=zipfile.ZipFile(sys.argv[1]);pw=os.fsencode(sys.argv[2]) or None\n"
        "o=sys.stdout.buffer\n"
        "for i in z.infolist():\n"
        "  d=z.read(i,pwd=pw)\n"
        "  n=i.filename.encode('cp437') if not i.flag_bits & 0x800 else i.filename.encode()\n"
        "  o.write(struct.pack('<I',len(n))+n+struct.pack('<I',len(d))+d)\" " +
        testsupport::ShellQuote(archive) + " " + testsupport::ShellQuote(password) + " 2>&1";
    if (testsupport::RunCommand(cmd, &out) != 0) return out.empty() ? "python failed" : out;
    members.clear();
    std::size_t p = 0;
    while (p < out.size()) {
        std::uint32_t n = Get(out, p, 4);
        std::string name = out.substr(p + 4, n);
        p += 4 + n;
        std::uint32_t d = Get(out, p, 4);
        members.emplace_back(name, out.substr(p + 4, d));
        p += 4 + d;
    }
    return std::string();
}

} // namespace writertest
