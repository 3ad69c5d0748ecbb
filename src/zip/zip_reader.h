// TZipReader: the reading half of the archive component. The diary uses one
// road through it: name the archive (ZipName), set or clear ZipPassword,
// and extract one member into a memory stream (ExtractToStream), learning
// from the result whether the member came out whole. The writer
// (TZipWriter) derives from it.
//
// The directory of the archive is read once and kept while the archive file
// is unchanged. "Unchanged" is judged by the file's modification time at
// full resolution (nanoseconds), its size and its identity, so that two
// rewrites within one second, or within one two-second DOS step, are never
// taken for no change.
//
// Encrypted members: the traditional cipher (zip_crypt.h) and the AES member
// format (aes_crypt.h, zip_reader_aes.cpp). Both check the password before
// decoding anything and ask for another through OnBadPassword in the same
// way; an AES member's data is then authenticated whole before a byte of it
// is decrypted, and a failure raises EAlteredMember.
//
// Finding a member: a name without wildcard characters is looked up in a
// case-insensitive index of the directory, which answers exactly as the
// wildcard match would (a pattern without wildcards matches the identical
// path, letters compared without regard to case) but without visiting every
// member. Patterns with wildcards are matched against every member.
#pragma once

#include "platform/password.h"
#include "zip/codec/unzip_work.h"
#include "zip/sorted_zip.h"
#include "zip/stream.h"
#include "zip/zip_crypt.h"
#include "zip/zip_header.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };

// Why a selected member was given up (OnSkippingFile).
enum TSkipReason : int {
    srBadPassword = 0,   // the password failed
    srNoOverwrite = 1,   // the name exists and is not overwritten / already in the archive
    srFileOpenError = 2, // a source file cannot be opened (writer)
    srCreateError = 3    // a destination file cannot be created (file extraction)
};

// What identifies one state of the archive file for the directory cache.
struct TArchiveStamp {
    bool Valid = false;
    std::int64_t Seconds = 0, Nanoseconds = 0, Size = 0;
    std::uint64_t Device = 0, Inode = 0;
    bool operator==(const TArchiveStamp&) const = default;
    // The file's stamp now; not Valid when it cannot be read.
    static TArchiveStamp Of(const std::string& fileName);
    // The stamp of an open file.
    static TArchiveStamp OfHandle(int fd);
};

class TFileWindow;
struct TAesSalt;

class TZipReader {
public:
    TZipReader();
    virtual ~TZipReader();
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    // --- published properties ---
    int ThisVersion() const { return 220; }
    const std::string& ZipName() const { return zipName_; }
    // Same name apart from letter case: nothing happens, the cached directory
    // stays. A name ending in "?" asks the open-file dialog hook first
    // (EUserCanceled "User canceled setting zip file name." on Cancel).
    virtual void SetZipName(const std::string& value);
    std::string DestDir;
    const std::string& RootDir() const { return rootDir_; }
    // A non-empty value is kept with a trailing "\".
    void SetRootDir(const std::string& value);
    TZipSortMode SortMode = ByNone;
    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = Prompt;
    std::vector<std::string> FilesList;
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
    bool KeepZipOpen = false;
    bool DoProcessMessages = true;
    bool RetainAttributes = true;
    bool ReplaceReadOnly = false;
    bool FlushFilesOnClose = false;

    // --- public ---
    TPassword ZipPassword;
    // Members in the directory; 0 when none is loaded.
    int Count() const;
    // The member at a view index (0 to Count() - 1); EListError otherwise.
    const TZipHeaderInfo& Member(int index) const;

    // --- events ---
    std::function<void(TZipReader& Sender, int NumFiles, std::int64_t TotalBytes, bool& StopNow)>
        OnStartUnZipInfo;
    std::function<void(TZipReader& Sender, int FileIndex, std::string& FName, bool& Skip)>
        OnStartUnZip;
    std::function<void(TZipReader& Sender, int FileIndex, TPassword& NewPassword)> OnBadPassword;
    std::function<void(TZipReader& Sender, TSkipReason Reason, const std::string& FName,
                       int FileIndex, bool& Retry)>
        OnSkippingFile;
    std::function<void(TZipReader& Sender, std::uint32_t CalcCRC, std::uint32_t StoredCRC,
                       int FileIndex)>
        OnBadCRC;
    std::function<void(TZipReader& Sender, int FileIndex, const std::string& FName)> OnEndUnZip;
    std::function<void(TZipReader& Sender, int FileCount)> OnUnZipComplete;
    std::function<void(TZipReader& Sender, int Percent)> OnFilePercentDone;
    std::function<void(TZipReader& Sender, int Percent)> OnTotalPercentDone;
    std::function<void(TZipReader& Sender, TIncompleteZipMode& IncompleteMode)> OnInCompleteZip;

    // --- operations ---
    // Extracts the member(s) `name` selects into `stream` (expected empty, at
    // position 0); returns how many came out whole. A name that is only
    // blanks and control characters, or no stream, returns 0 at once.
    int ExtractToStream(TStream* stream, const std::string& name);
    // Extracts exactly the member at a view index (no name matching), as
    // ExtractToStream would; returns 1 when it came out whole, else 0.
    int ExtractIndexToStream(TStream* stream, int index);
    // Extracts the members at the view indexes one after another in one
    // run, each into `stream` (emptied before each): the archive is opened
    // and its directory checked once for the run, not once per member.
    // `done` hears of each member: whether it came out whole, and the
    // message of an exception that ended it (the run goes on). EListError
    // for an index out of range, before anything is extracted.
    void ExtractEachToStream(
        TStream& stream, const std::vector<int>& indexes,
        const std::function<void(int index, bool whole, const std::string& error)>& done);
    // Opens the archive file if needed and reads its directory unless the
    // cached one is still valid.
    void OpenArchive();
    // Closes the archive file unless KeepZipOpen is set.
    void CloseArchive();
    // Closes the file whatever KeepZipOpen says, forgets the directory and
    // clears ZipName.
    void ResetArchive();
    // Reads the end record and the central directory from `stream`.
    void ReadDirectory(TStream& stream);
    // Runs the selection and extraction loop; returns the members extracted whole.
    int ExtractSelected();
    // Extracts the member at a view index; true when it asks for a retry.
    bool ExtractMember(int index);
    std::string GetArchiveComment();
    // EListError "Index %d is out of range" outside 0 to Count() - 1.
    std::string GetFileComment(int index);

    // The cipher of the member the last extraction call took out whole
    // (zcNone when it was not encrypted, or when nothing came out): what a
    // caller shows as the entry's protection.
    TZipCipher LastCipher() const { return lastCipher_; }

    // How many times the directory was read from the file (a cache measure).
    int DirectoryReads() const { return directoryReads_; }

    // Why the member last extracted did not come out whole (when no
    // exception said so): what a caller reports for it.
    enum TMemberFault { mfNone, mfBadPassword, mfCrc, mfUnknownMethod, mfTooLong };
    TMemberFault LastFault() const { return lastFault_; }
    // The view index of the first member named `name` (letter case aside, no
    // wildcards), or -1; -1 too when no directory is loaded (OpenArchive
    // loads it).
    int IndexOf(const std::string& name);
    // The salts of the AES members among the view indexes, in the order
    // given, for deriving their keys ahead of reading them (TAesKeyPrefetch).
    // Members that are no AES member, or whose headers do not hold one, are
    // passed over: reading them says what is wrong.
    std::vector<TAesSalt> AesSalts(const std::vector<int>& indexes);
    // A member of a method without a decoder shows the engine's message
    // "Unknown Compression Method" when set; a caller that reports the
    // member's fault itself (LastFault) clears it.
    bool ShowUnknownMethod = true;

protected:
    // The archive file, open between OpenArchive and CloseArchive.
    std::unique_ptr<TStream> ArchiveStream;
    // The directory in archive order (owning) and the view in SortMode
    // order: the directory itself for ByNone, else a second, non-owning list.
    std::unique_ptr<TSortedZip> Directory;
    std::unique_ptr<TSortedZip> SortedView;
    TSortedZip* View = nullptr;
    TEndCentral EndCentral;
    TArchiveStamp DirectoryTime;
    // The directory is the one this component wrote with the archive (not
    // read from it): every member's local header is exactly what WriteLocal
    // writes, LocalExtraLength is known, and the members lie one after
    // another from offset 0. Valid while DirectoryTime matches the file.
    bool DirectoryWritten = false;
    TZipHeaderInfo WorkHeader;
    std::uint8_t LocalHeader[30] = {};
    TZipKeys Keys;
    bool Busy = false;
    bool Cancel = false;
    // The caller's stream while ExtractToStream runs.
    TStream* OutStream = nullptr;
    bool ToStream = false;

    // Forgets the directory, the view, the end record and DirectoryTime, and
    // closes the archive file.
    void DiscardDirectory();
    void CloseArchiveStream();
    // Full name of a view member as events show it.
    std::string MemberPath(int index) const;
    // Takes a directory the writer has just written as the cached one, with
    // its end record and the new archive file's stamp; builds the view.
    // `written`: every local header is one the writer wrote (none was
    // carried over damaged), so DirectoryWritten holds.
    void AdoptDirectory(std::unique_ptr<TSortedZip> directory, const TEndCentral& endCentral,
                        const TArchiveStamp& stamp, bool written);

private:
    // The stamp of the file behind an open stream (of ZipName when the
    // stream is no plain file).
    TArchiveStamp StampOf(TStream& stream) const;
    void RaiseIncomplete();
    void BuildView();
    void BuildNameIndex();
    // The view indexes to extract, in view order; sets their Matched flags.
    std::vector<int> Select(std::int64_t& totalBytes, int& numFiles);
    void CutBack(std::int64_t size, std::int64_t position);
    // After a failed password check: asks OnBadPassword for another. True
    // when ZipPassword now holds a new one to try; false when the member is
    // given up (OnSkippingFile told, its bytes taken off the run's total).
    bool AskNewPassword(int index, const std::string& path, std::int64_t compressed);
    // Runs the decoder of `method` from `input` into OutStream. False when
    // the output grew past the member's size; any other exception cuts the
    // output back to (startSize, startPos) and propagates. `decoded` says
    // whether the method has a decoder.
    bool Decode(TStream& input, std::int64_t compressed, std::uint16_t method, TZipKeys* keys,
                std::int64_t startSize, std::int64_t startPos, bool& decoded);
    // The AES record of the member in WorkHeader: its local header's, else
    // its central header's; none when neither has one of a known strength.
    std::optional<TAesExtra> AesRecord();
    // ExtractMember for an AES member whose data starts at dataStart.
    bool ExtractAesMember(int index, const TAesExtra& record, std::int64_t dataStart,
                          const std::string& path, const std::string& fName);

    std::string zipName_;
    std::string rootDir_;
    // ASCII-lower-cased full name -> view indexes in view order.
    std::unordered_map<std::string, std::vector<int>> nameIndex_;
    bool nameIndexBuilt_ = false;
    // Starts and ends an extraction run over the frame kept in work_.
    void BeginRun(std::int64_t totalToDo);
    void EndRun();
    // Runs `body` with the members going to `stream`, then leaves the reader
    // as it was (archive closed, not busy), whether or not `body` throws.
    void RunToStream(TStream* stream, const std::function<void()>& body);
    // The decode frame, made at the first extraction and kept for the
    // reader's life (about 250 KB).
    std::unique_ptr<TUnZipWork> work_;
    // The archive's bytes for extraction, over ArchiveStream's file.
    std::unique_ptr<TFileWindow> window_;
    // How far one read for a member reaches beyond it (runs over many members).
    std::int64_t readAhead_ = 0;
    std::vector<int> lastMatched_;
    int extracted_ = 0;
    TZipCipher lastCipher_ = zcNone;
    TMemberFault lastFault_ = mfNone;
    int directoryReads_ = 0;
};
