// Puts one member into an archive with the program's own writer, as a test's
// setup step: folders made as needed, the member replaced when it is there.
#pragma once

#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace testsupport {

inline void Store(const std::string& archive, const std::string& member, const std::string& bytes,
                  const std::string& password = {}, TZipCipher cipher = zcTraditional) {
    const auto folder = std::filesystem::path(archive).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    TZipWriter writer;
    writer.SetStorePaths(true);
    writer.ZipAction = zaReplace;
    writer.SetZipName(archive);
    writer.ZipPassword = password;
    writer.Cipher = cipher;
    TMemoryStream stream(bytes);
    ASSERT_EQ(writer.AddFromStream(&stream, member), 1);
}

} // namespace testsupport
