// Helpers for the writer's tests: raw views of archives on disk and the
// peer programs that judge them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace writertest {

// One member as its central and local headers describe it.
struct TRawMember {
    std::string name; // as stored ("/" separators, OEM)
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t localOffset = 0;
    std::uint16_t versionNeeded = 0;
    std::string centralExtra, localExtra;
    std::string data;         // the bytes after the local header (encryption header included)
    bool localAgrees = false; // the local header repeats the central values
};

struct TRawArchive {
    std::uint16_t entriesThisDisk = 0;
    std::uint16_t totalEntries = 0;
    std::vector<TRawMember> members;
};

// Parses an archive file strictly; throws std::runtime_error when it is malformed.
TRawArchive ReadRawArchive(const std::string& bytes);

// Names of temporary files in a folder: "<archive>.<random>.tmp", and the
// "ZQX" files of the platform's temporary-name service.
std::vector<std::string> TempFilesIn(const std::string& folder);

// Runs the peers over an archive; each returns "" when it passes, else the
// peer's complaint.
std::string UnzipTest(const std::string& archive, const std::string& password = "");
std::string SevenZipTest(const std::string& archive, const std::string& password = "");
// Python's zipfile: every member's bytes, or a complaint.
std::string PythonReadAll(const std::string& archive, const std::string& password,
                          std::vector<std::pair<std::string, std::string>>& members);

} // namespace writertest
