// TZipWriter: the writing half of the archive component. The diary uses one
// road through it: AddFromStream stores a memory stream as the member of a
// given path, replacing a member of that path, compressed at PackLevel and
// encrypted when ZipPassword is set.
//
// An archive is never changed in place. Under the archive's lock (one save
// at a time, archive_lock.h), the new archive is written in full to a
// temporary file beside the old one (or in TempPath): the old members copied
// as raw bytes (never decompressed or decrypted), the new member deflated
// (or stored) in the old one's place or at the end, then the central
// directory and the end record.
// The file is then flushed to the disk and renamed over the old archive
// (archive_files.h), so the archive's name always holds one complete archive,
// the old or the new, even if the process dies at any moment. On failure the
// temporary file is removed and the old archive stays byte for byte.
//
// Copying is the bulk of a save. A run of old members that lie one after
// another, each with a local header that is already exactly what this
// writer would write, goes from file to file in the kernel in one piece
// (archive_files.h); the others get a new local header and their data is
// copied behind it. Knowing that means reading every old local header,
// unless the directory is the one this writer wrote with the archive and
// the file is unchanged since: then nothing is read at all. The headers are
// read in one pass before anything is copied, from the old archive mapped
// into memory (file_map.h), so that the members between them are never
// copied through user space. A copied member's header object moves from the
// old directory into the new one (only its offset changes) instead of being
// copied; a save that fails therefore forgets the old directory.
//
// A member's local header is written twice: provisionally before its data
// (the CRC and sizes are not known yet) and finally over the provisional one.
// With a password the member is encrypted with the cipher Cipher names. The
// traditional cipher needs the CRC first, for the encryption header's check
// byte, so the input is read once beforehand just for the CRC. An AES member
// (AE-2, AES-256) needs no CRC: it carries its AES record as the local and
// the central extra field, a fresh salt and the verifier before its data
// and the authentication code after it (aes_crypt.h).
//
// The component's other ways of adding (disk files by wildcard, recursion,
// archive bits, multi-volume and self-extracting archives) are not used by
// this program; their properties exist with their defaults only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "zip/archive_files.h"
#include "zip/zip_reader.h"

class TAesMemberCipher;
class TDeflater;
class TFileWindow;
class TTempArchiveFile;

enum TZipAction { zaUpdate, zaReplace, zaFreshen };
// OnUpdate: an old member is about to be replaced, or stays although named.
enum TUpdateAction : int { upaReplace = 0, upaKeep = 1 };
enum TMultiMode { mmNone, mmSpan, mmBlocks };

struct TMultiZipInfo {
    TMultiMode MultiMode = mmNone;
    int BlockSize = 1457600;
    int FirstBlockSize = 1457600;
    int SaveOnFirstDisk = 0;
    bool SaveZipInfoOnFirstDisk = false;
    bool CheckDiskLabels = true;
    bool WriteDiskLabels = true;
};

class TZipWriter : public TZipReader {
public:
    TZipWriter();
    ~TZipWriter() override;

    // --- published properties ---
    int PackLevel() const { return packLevel_; }
    // 0 (store) to 9; anything else raises Exception and keeps the level.
    void SetPackLevel(int value);
    bool StorePaths() const { return storePaths_; }
    // false also clears StoreVolumes and RelativePaths.
    void SetStorePaths(bool value);
    bool RelativePaths() const { return relativePaths_; }
    // true also sets StorePaths and Recurse.
    void SetRelativePaths(bool value);
    bool StoreVolumes() const { return storeVolumes_; }
    // true also sets StorePaths.
    void SetStoreVolumes(bool value);
    TZipAction ZipAction = zaUpdate; // file adding only; a stream always replaces
    // The folder of the temporary archive; empty (or not an existing folder)
    // means beside the archive, where putting it in place is a rename.
    std::string TempPath;
    // How long a save waits for another save of the same archive (in this
    // or another process) before it gives up with EArchiveInUse.
    std::chrono::milliseconds LockWait{5000};
    std::vector<std::string> NoCompressList; // file-name patterns that are stored
    // File adding only.
    bool Recurse = false;
    bool Dispose = false;
    bool Store83Names = false;
    bool SkipIfArchiveBitNotSet = false;
    bool ResetArchiveBitOnZip = false;
    bool AddDirEntriesOnRecurse = false;
    std::vector<std::string> ExcludeList;
    TMultiZipInfo MultiZipInfo;

    // --- events ---
    std::function<void(TZipWriter& Sender, int NumFiles, std::int64_t TotalBytes,
                       TEndCentral& EndCentralRecord, bool& StopNow)>
        OnStartZipInfo;
    std::function<void(TZipWriter& Sender, const std::string& FName, TZipHeaderInfo& ZipHeader,
                       bool& Skip)>
        OnStartZip;
    std::function<void(TZipWriter& Sender, const std::string& FName, std::int32_t UncompressedSize,
                       std::int32_t CompressedSize, std::int32_t CurrentZipSize)>
        OnEndZip;
    std::function<void(TZipWriter& Sender, TUpdateAction UDAction, int FileIndex)> OnUpdate;
    std::function<void(TZipWriter& Sender, int FileCount)> OnZipComplete;
    // Raised once per save under the archive's lock, after the archive as it
    // is now has been looked at (its directory read, when `ArchiveExists`)
    // and before anything of it is copied: what another program changed
    // since an earlier look is seen here, and no save can come between. A
    // handler that sets Stop ends the save with EUserCanceled; nothing is
    // written.
    std::function<void(TZipWriter& Sender, bool ArchiveExists, bool& Stop)> OnArchiveLocked;

    // --- operations ---
    // Stores the stream's bytes as the member `name` (a "\"-separated path),
    // replacing a member of that name (letter case aside). Returns 1 when
    // the member was written, 0 when nothing was (blank name, no stream,
    // empty ZipName, or the member refused).
    int AddFromStream(TStream* stream, const std::string& name);
    // The whole write-and-replace operation over FilesList; returns the
    // number of members added. Members come from the stream of
    // AddFromStream only: names in FilesList outside it raise Exception
    // before anything is touched (an empty FilesList rewrites the archive).
    int BuildArchive();
    // With a changed archive comment the archive is first rewritten under
    // its old name.
    void SetZipName(const std::string& value) override;

    // The cipher a member written with a password (ZipPassword not empty)
    // gets: zcTraditional (the default; every zip program opens it) or
    // zcAes256 (the AES member format, AE-2). Any other value raises
    // Exception when a member is to be encrypted. Members copied from the
    // old archive keep their bytes, whatever cipher they have.
    TZipCipher Cipher = zcTraditional;

    // When not empty, the member the next AddFromStream replaces is not
    // dropped but kept, its data unchanged, under this name (a
    // "\"-separated path); cleared by every save. Nothing is kept when there
    // was no member to replace.
    std::string KeepReplacedAs;

    // The old members the last save carried over as they lay, because their
    // local header could not be read or is no local header: their bytes, as
    // the central directory places them, are in the new archive unchanged
    // (still damaged), so that one damaged member does not stop every save.
    const std::vector<std::string>& DamagedMembers() const { return damaged_; }

    // The file-system seam: creating, flushing and renaming files. Tests put
    // in an object whose methods fail.
    std::unique_ptr<TArchiveFileOps> FileOps;

    // The passes through ReadInput and WriteOutput (member data only).
    unsigned ReadInput(std::uint8_t* buffer, unsigned count);
    void WriteOutput(const std::uint8_t* buffer, unsigned count);

protected:
    void CopyMembers();
    // Copies the old member at directory index `index`, whose header (a copy
    // of the old one) gets its new offset.
    // `newName`, when not empty, is the name the copy gets. False when there
    // was nothing of the member to copy (a damaged one lying beyond the end
    // of the file): it is left out.
    bool CopyMember(TZipHeaderInfo& header, int index, const std::string& newName = {});
    // A member whose local header is damaged: its bytes from its offset to
    // the next member (or the directory), as they are.
    bool CarryDamaged(TZipHeaderInfo& header, int index);
    bool AddMember(const std::string& name);
    // The folder part a name is stored with, by StorePaths, RelativePaths
    // and StoreVolumes (empty, or ending in "\").
    std::string StoredFolder(const std::string& name) const;

private:
    class TOutput;
    class TDeflateLink;

    static constexpr std::int64_t kCopyChunk = 65536;

    // The old member's bytes [from, to) go to the output as they are, in
    // the pending run; the header gets its new offset.
    void AddToRun(TZipHeaderInfo& header, std::int64_t from, std::int64_t to);
    // Copies the pending run of old bytes to the output.
    void FlushRun();
    // Reads what the old local header of every member says (oldLocals_),
    // in one pass in archive order before anything is copied.
    void ReadOldLocalHeaders();
    // The old local header of the member at `index` in the window, at least
    // its 30 fixed bytes, `available` bytes in all; EStreamError when the
    // file ends first.
    const std::uint8_t* OldLocalInWindow(int index, std::int64_t& available);
    std::int64_t HeadersAhead(int index, std::int64_t from) const;
    void StoreInput();
    std::uint32_t CrcPrePass();
    // Writes what goes before the data of a member encrypted with Cipher,
    // and keys the cipher for its data.
    void StartEncryption(TZipHeaderInfo& h);
    // Takes the member AddMember just wrote into the new directory.
    void AddNewHeader();
    void WriteCentralDirectory();
    // How a FilesList name compares with a member's path.
    std::string DesignationKey(const std::string& name) const;

    int packLevel_ = 6;
    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;

    // --- state of one operation ---
    TStream* inStream_ = nullptr; // the caller's stream in stream mode
    bool fromStream_ = false;
    std::string outputName_;
    std::unique_ptr<TTempArchiveFile> tempFile_; // holds outputName_'s lock
    bool hadArchive_ = false;
    std::unique_ptr<TStream> outFile_;
    std::unique_ptr<TOutput> out_;
    std::unique_ptr<TFileWindow> rawIn_; // the old archive's bytes for copying
    // What an old member's local header says, by directory index.
    struct TOldLocal {
        enum : std::uint8_t { Unreadable, NotAHeader, Differs, AsItIs } state = Unreadable;
        std::uint16_t nameLength = 0;
        std::uint16_t extraLength = 0;
    };
    std::vector<TOldLocal> oldLocals_;
    std::vector<std::uint32_t> oldOffsets_; // the old members' offsets, by directory index
    std::vector<std::string> damaged_;      // DamagedMembers()
    // Old bytes [runStart_, runEnd_) still to be copied as they are.
    std::int64_t runStart_ = 0, runEnd_ = 0;
    std::unique_ptr<TSortedZip> newDirectory_; // write order, owning
    // The old directory's headers while a save runs, by directory index;
    // those of copied members move on into newDirectory_.
    std::vector<std::unique_ptr<TZipHeaderInfo>> oldHeaders_;
    bool headersMoved_ = false; // the old directory no longer owns its headers
    // The names AddMember wrote in this operation, ASCII letters lowered,
    // to refuse a repeated name.
    std::unordered_set<std::string> namesWritten_;
    TEndCentral newEnd_;
    std::unique_ptr<TZipHeaderInfo> pending_; // the header being written
    std::uint32_t crc_ = 0xFFFFFFFFu;
    int addedCount_ = 0;
    std::unique_ptr<TDeflater> deflater_;
    TZipKeys writeKeys_;
    bool encrypting_ = false;               // with the traditional cipher
    std::unique_ptr<TAesMemberCipher> aes_; // the AES member being written
    std::int64_t fileBytesRead_ = 0;
    std::int64_t totalBytesRead_ = 0;
    std::int64_t totalToDo_ = 0;
    std::vector<std::uint8_t> scratch_; // encryption works on a copy of the data
};
