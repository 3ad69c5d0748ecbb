#include "store/recovery_file.h"

#include "platform/file_replace.h"
#include "store/entry_reader.h"
#include "zip/archive_files.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first bytes of the file, at most `count`.
std::string Head(const std::string& path, std::size_t count) {
    std::string head(count, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return {};
    const ssize_t n = ::read(fd, head.data(), count);
    ::close(fd);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

bool IsArchive(const std::string& head) {
    return head.compare(0, 4, "PK\x03\x04") == 0;
}

// Overwrites the file's bytes with zeros and puts them on the disk.
void Overwrite(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        static const char zeros[4096] = {};
        for (off_t at = 0; at < st.st_size;) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<off_t>(st.st_size - at, sizeof zeros));
            const ssize_t written = ::pwrite(fd, zeros, n, at);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) break;
            at += written;
        }
        ::fsync(fd);
    }
    ::close(fd);
}

} // namespace

TRecoveryForm RecoveryFormOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return TRecoveryForm::Missing;
    if (!S_ISREG(st.st_mode)) return TRecoveryForm::Other;
    const std::string head = Head(path, 64);
    if (!IsArchive(head))
        return head.rfind(RecoveryMagic, 0) == 0 ? TRecoveryForm::Clear : TRecoveryForm::Other;
    // The general purpose flags of the first (only) local header: bit 0
    // is set for both ciphers (an AES member sets it too).
    if (head.size() < 8) return TRecoveryForm::Other;
    return (static_cast<unsigned char>(head[6]) & 1u) != 0 ? TRecoveryForm::Sealed
                                                           : TRecoveryForm::Clear;
}

bool WriteRecoveryFile(const std::string& path, const TRecovery& recovery,
                       const TRecoveryKey& key) {
    const TRecoveryForm old = RecoveryFormOf(path);
    const bool sealing = !key.Password.empty();
    // What the writer cannot replace a member of (the earlier form, anything
    // else) goes first; so does text in clear that is to be sealed now.
    if (old == TRecoveryForm::Other ||
        (old == TRecoveryForm::Clear && (sealing || !IsArchive(Head(path, 4))))) {
        if (!RemoveRecoveryFile(path, true)) return false;
    } else if (old != TRecoveryForm::Missing) {
        ::chmod(path.c_str(), NewArchiveMode); // the new file takes the old one's mode
    }
    std::string text = FormatRecovery(recovery);
    TMemoryStream stream(text);
    WipeString(text);
    TZipWriter writer;
    // Saved from a timer: no events are let through meanwhile, so no second
    // save of this file can start inside this one.
    writer.DoProcessMessages = false;
    writer.SetPackLevel(6);
    writer.TempPath = FolderOf(path);
    writer.ZipPassword = key.Password;
    writer.Cipher = key.Cipher == zcTraditional || key.Cipher == zcNone ? zcTraditional : zcAes256;
    writer.SetZipName(path);
    return writer.AddFromStream(&stream, RecoveryMember) == 1;
}

TRecoveryOpened ReadRecoveryFile(const std::string& path, const std::vector<TPassword>& silent,
                                 const std::function<TPassword()>& ask) {
    TRecoveryOpened opened;
    const std::string head = Head(path, 4);
    if (head.empty()) return opened;
    if (!IsArchive(head)) { // the earlier form: the text itself
        std::string bytes;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) return opened;
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        opened.Recovery = ParseRecovery(bytes);
        return opened;
    }
    TEntryReader reader;
    reader.ProcessMessages(false);
    reader.Policy = TPasswordPolicy::DefaultThenAsk;
    std::size_t next = 0;
    auto nextSilent = [&]() -> TPassword {
        while (next < silent.size())
            if (!silent[next++].empty()) return silent[next - 1];
        return TPassword();
    };
    reader.DefaultPassword = nextSilent();
    reader.AskPassword = [&]() -> TPassword {
        TPassword candidate = nextSilent();
        if (!candidate.empty()) return candidate;
        return ask ? ask() : TPassword();
    };
    const TEntryReader::TRead read = reader.Read(path, RecoveryMember);
    opened.Sealed = read.PasswordProtected;
    opened.GaveUp = read.GaveUp;
    if (read.Found) opened.Recovery = ParseRecovery(std::string(reader.Bytes()));
    if (read.Found && read.PasswordProtected) {
        opened.Key.Password = reader.Password();
        // The only local header's method: 99 for an AES member.
        const std::string header = Head(path, 10);
        const bool aes =
            header.size() == 10 && static_cast<unsigned char>(header[8]) == 99 && header[9] == 0;
        opened.Key.Cipher = aes ? zcAes256 : zcTraditional;
    }
    return opened;
}

bool RemoveRecoveryFile(const std::string& path, bool overwriteClear) {
    if (overwriteClear && RecoveryFormOf(path) == TRecoveryForm::Clear) Overwrite(path);
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}
