// The settings file is read from the user's configuration folder and may
// hold anything. Reading must never crash, and a write must put the value
// where the next read finds it while keeping the rest of the file.
#include "platform/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class TMemoryIO : public TProfileFileIO {
public:
    std::string bytes;
    bool ReadAll(const std::string&, std::string& out) override {
        out = bytes;
        return true;
    }
    bool ReplaceAll(const std::string&, const std::string& in) override {
        bytes = in;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryIO io;
    io.bytes.assign(reinterpret_cast<const char*>(data), size);
    SetProfileFileIO(&io);
    const std::string file = "/fuzz/Dayscrib.INI";
    for (const char* key : {"Left", "User1Name", "Year1", ""})
        (void)GetPrivateProfileStringA("Main", key, "default", file);

    const std::string value = "value 42";
    if (!WritePrivateProfileStringA("Main", "Left", value, file)) std::abort();
    if (GetPrivateProfileStringA("Main", "Left", "", file) != value) std::abort();
    // Writing the same value again changes nothing.
    const std::string once = io.bytes;
    if (!WritePrivateProfileStringA("MAIN", "Left", value, file) || io.bytes != once) std::abort();
    SetProfileFileIO(nullptr);
    return 0;
}
