// list, extract and test: the reading commands.
#include "commands.h"
#include "printable.h"
#include "tool.h"
#include "tool_streams.h"

#include "platform/codepage.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/wildcard.h"
#include "zip/zip_reader.h"

#include <cstdio>

namespace tool {

namespace {

std::string DateTimeText(std::uint32_t dosDateTime) {
    unsigned time = dosDateTime & 0xFFFFu, date = dosDateTime >> 16;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9),
                  (date >> 5) & 15u, date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
    return buf;
}

// Collects what went wrong with the member being extracted, for messages.
struct FailureNotes {
    std::string reason;
    void Attach(TZipReader& reader) {
        reader.OnSkippingFile = [this](TZipReader&, TSkipReason why, const std::string&, int,
                                       bool&) {
            if (why == srBadPassword) reason = "wrong password";
        };
        reader.OnBadCRC = [this](TZipReader&, std::uint32_t calc, std::uint32_t stored, int) {
            if (!reason.empty()) return; // the unknown method said it first
            char buf[80];
            std::snprintf(buf, sizeof buf, "CRC error (calculated %08x, stored %08x)", calc,
                          stored);
            reason = buf;
        };
        EngineHooks().MessageBox = [this](const std::string& text, const std::string&) {
            reason = text;
        };
    }
};

} // namespace

int List(const Args& input) {
    Args args = input;
    Options options;
    std::string error;
    if (!ParseOptions(args, options, false, error)) return Usage(error);
    if (args.size() != 1) return Usage("list needs exactly one archive");
    TZipReader reader;
    reader.SetZipName(args[0]);
    reader.OpenArchive();
    for (int i = 0; i < reader.Count(); ++i) {
        const TZipHeaderInfo& h = reader.Member(i);
        std::printf("%u 0x%04X %u %u %08x %s %s\n", h.Method, h.Flags,
                    static_cast<std::uint32_t>(h.CompressedSize),
                    static_cast<std::uint32_t>(h.UncompressedSize), h.CRC,
                    DateTimeText(h.DateTime).c_str(),
                    Printable(AnsiToUtf8(h.Directory() + h.FileName())).c_str());
    }
    reader.CloseArchive();
    return 0;
}

// The plain text of an RTF member is made in memory; a member claiming more
// than this is refused for --text (its bytes can still be extracted).
constexpr std::int64_t kMaxTextBytes = 256ll << 20;

int Extract(const Args& input) {
    Args args = input;
    Options options;
    std::string error;
    if (!ParseOptions(args, options, true, error)) return Usage(error);
    if (args.size() != 2) return Usage("extract needs an archive and a member name");
#ifndef DAYSCRIB_TEXT_HELPER
    if (options.Text) return Error("--text needs the GUI build");
#endif
    TZipReader reader;
    reader.DoProcessMessages = false;
    if (!ReadPassword(options.Password, false, reader.ZipPassword, error)) return Error(error);
    FailureNotes notes;
    notes.Attach(reader);
    reader.SetZipName(args[0]);
    reader.OpenArchive();
    // The first member in archive order that the name selects.
    const std::string pattern = Utf8ToAnsi(args[1]);
    int index = -1;
    for (int i = 0; i < reader.Count() && index < 0; ++i) {
        const TZipHeaderInfo& h = reader.Member(i);
        if (!h.FileName().empty() && IsMatch(pattern, h.Directory() + h.FileName())) index = i;
    }
    if (index < 0) {
        std::fprintf(stderr, "dayscrib-zip: %s: no such member\n", Printable(args[1]).c_str());
        return 1;
    }
    const std::int64_t size = static_cast<std::uint32_t>(reader.Member(index).UncompressedSize);
    if (options.Text && size > kMaxTextBytes)
        return Error(args[1] + ": too large for --text (" + std::to_string(size >> 20) + " MiB)");
    // The bytes go to standard output as they are decoded, so memory stays
    // the same whatever the member's size; --text needs them whole.
    TMemoryStream memory;
    StdoutStream out;
    TStream& target = options.Text ? static_cast<TStream&>(memory) : out;
    int n = 0;
    try {
        n = reader.ExtractIndexToStream(&target, index);
    } catch (const EAlteredMember& e) {
        notes.reason = e.Message(); // nothing extracted, like a failed CRC
    } catch (const EBadLocalHeader& e) {
        notes.reason = e.Message();
    }
    if (n == 0) {
        std::string reason = notes.reason.empty() ? "not extracted" : notes.reason;
        if (out.Spoiled()) reason += "; the bytes written before it was found are not the member's";
        std::fprintf(stderr, "dayscrib-zip: %s: %s\n", Printable(args[1]).c_str(),
                     Printable(reason).c_str());
        return 1;
    }
    if (options.Text) return WriteText(memory.ToString());
    return 0;
}

int Test(const Args& input) {
    Args args = input;
    Options options;
    std::string error;
    if (!ParseOptions(args, options, false, error)) return Usage(error);
    if (args.size() != 1) return Usage("test needs exactly one archive");
    TZipReader reader;
    reader.DoProcessMessages = false;
    TPassword password;
    if (!ReadPassword(options.Password, false, password, error)) return Error(error);
    FailureNotes notes;
    notes.Attach(reader);
    reader.SetZipName(args[0]);
    reader.OpenArchive();
    std::vector<int> members;
    for (int i = 0; i < reader.Count(); ++i)
        if (!reader.Member(i).FileName().empty()) members.push_back(i);
    reader.ZipPassword = password;
    int failed = 0;
    SinkStream sink;
    // One run over every member: the archive is opened and checked once.
    reader.ExtractEachToStream(sink, members, [&](int i, bool whole, const std::string& error) {
        const std::string name = reader.Member(i).Directory() + reader.Member(i).FileName();
        if (whole) {
            std::printf("OK %s\n", Printable(AnsiToUtf8(name)).c_str());
        } else {
            ++failed;
            const std::string& reason = !error.empty() ? error : notes.reason;
            std::printf("FAILED %s: %s\n", Printable(AnsiToUtf8(name)).c_str(),
                        Printable(reason.empty() ? "not extracted" : reason).c_str());
        }
        notes.reason.clear();
        reader.ZipPassword = password;
    });
    return failed ? 1 : 0;
}

namespace {
const TCommandRegistration listCommand("list", "list ARCHIVE", List);
const TCommandRegistration extractCommand("extract",
                                          "extract [-p PASSWORD | -p - | --password-fd N] "
                                          "[--text] ARCHIVE MEMBER",
                                          Extract);
const TCommandRegistration testCommand("test",
                                       "test [-p PASSWORD | -p - | --password-fd N] ARCHIVE", Test);
} // namespace

} // namespace tool
