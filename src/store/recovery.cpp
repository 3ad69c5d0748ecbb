#include "store/recovery.h"

#include "platform/str_to_int.h"
#include "store/entry_key.h"

namespace {
const std::string Magic = "Dayscrib recovery 1\n";
}

std::string FormatRecovery(const TRecovery& r) {
    return Magic + "Profile=" + std::to_string(r.Profile) + "\nProfileName=" + r.ProfileName +
           "\nDataPath=" + r.DataPath + "\nMember=" + r.Member + "\n\n" + r.Rtf;
}

std::optional<TRecovery> ParseRecovery(const std::string& bytes) {
    if (bytes.compare(0, Magic.size(), Magic) != 0) return std::nullopt;
    TRecovery r;
    bool haveProfile = false, haveMember = false;
    std::size_t at = Magic.size();
    for (;;) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) return std::nullopt; // no text part
        const std::string line = bytes.substr(at, end - at);
        at = end + 1;
        if (line.empty()) break;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "Profile") {
            if (!TryStrToInt(value, r.Profile) || r.Profile < 1 || r.Profile > 5)
                return std::nullopt;
            haveProfile = true;
        } else if (key == "ProfileName") {
            r.ProfileName = value;
        } else if (key == "DataPath") {
            r.DataPath = value;
        } else if (key == "Member") {
            TEntryKey k;
            TEntryLevel level;
            if (!ParseMemberPath(value, k, level)) return std::nullopt;
            r.Member = value;
            haveMember = true;
        }
    }
    if (!haveProfile || !haveMember) return std::nullopt;
    r.Rtf = bytes.substr(at);
    return r;
}
