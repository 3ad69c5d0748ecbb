// list, extract and test: the reading commands.
#include "commands.h"
#include "printable.h"
#include "tool.h"
#include "tool_streams.h"

#include "platform/codepage.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
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
    TMemoryStream out;
    int n = 0;
    try {
        n = reader.ExtractToStream(&out, Utf8ToAnsi(args[1]));
    } catch (const EAlteredMember& e) {
        notes.reason = e.Message(); // nothing extracted, like a failed CRC
    }
    if (n == 0) {
        std::fprintf(stderr, "dayscrib-zip: %s: %s\n", Printable(args[1]).c_str(),
                     Printable(notes.reason.empty() ? "no such member" : notes.reason).c_str());
        return 1;
    }
    const std::string bytes = out.ToString();
    if (options.Text) return WriteText(bytes);
    StdoutStream stdoutStream;
    stdoutStream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
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
