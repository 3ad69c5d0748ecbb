// The entry store against real archives: what a load finds, how the password
// rules play out, what a save writes, and that nothing is lost when the user
// gives up on a protected entry.
#include "store/entry_store.h"

#include "support/test_support.h"
#include "zip/archive_files.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

const std::string kMember = "2000\\3\\Week3\\15.rtf";
const std::string kText = "{\\rtf1\\ansi The fifteenth of March.\\par}";

TCurrentProfile Profile(const std::string& password = "", bool protect = false) {
    TCurrentProfile p;
    p.CurrentPath = "unused\\";
    p.CurrentPassword = password;
    p.CurrentProtect = protect;
    return p;
}

// A prompt that answers from a list and records every question.
struct ScriptedPrompt {
    std::deque<std::string> answers;
    std::vector<std::string> asked;
    TEntryStore::TPasswordPrompt Bind() {
        return [this](const std::string& title, const std::string& prompt) {
            asked.push_back(title + "|" + prompt);
            if (answers.empty()) return std::string();
            std::string a = answers.front();
            answers.pop_front();
            return a;
        };
    }
};

// Writes one member with the given password through a fresh writer.
void Store(const std::string& archive, const std::string& member, const std::string& text,
           const std::string& password) {
    TZipWriter w;
    w.SetPackLevel(9);
    w.SetStorePaths(true);
    w.SetZipName(archive);
    w.ZipPassword = password;
    TMemoryStream s(text);
    ASSERT_EQ(1, w.AddFromStream(&s, member));
}

// The header of `member` as a fresh reader sees it.
TZipHeaderInfo HeaderOf(const std::string& archive, const std::string& member) {
    TZipReader r;
    r.SetZipName(archive);
    r.OpenArchive();
    for (int i = 0; i < r.Count(); ++i)
        if (r.Member(i).Name() == member) return r.Member(i);
    ADD_FAILURE() << member << " not in " << archive;
    return TZipHeaderInfo();
}

} // namespace

TEST(EntryStoreTest, NoArchiveLoadsNothingAndFirstSaveCreatesIt) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    TEntryStore store;
    auto r = store.Load(archive, kMember, Profile());
    EXPECT_FALSE(r.Found);
    EXPECT_FALSE(r.PasswordProtected);
    EXPECT_FALSE(testsupport::FileExists(archive));

    ASSERT_TRUE(store.Save(kText, archive, kMember, Profile()));
    TEntryStore again;
    auto back = again.Load(archive, kMember, Profile());
    ASSERT_TRUE(back.Found);
    EXPECT_EQ(kText, back.Bytes);
    EXPECT_FALSE(back.PasswordProtected);
    EXPECT_FALSE(HeaderOf(archive, kMember).IsEncrypted());
}

TEST(EntryStoreTest, AbsentMemberInExistingArchiveLoadsNothingWithoutAsking) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    Store(archive, "2000\\Summary.rtf", kText, "");
    TEntryStore store;
    ScriptedPrompt prompt;
    store.PasswordPrompt = prompt.Bind();
    auto r = store.Load(archive, kMember, Profile("secret"));
    EXPECT_FALSE(r.Found);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST(EntryStoreTest, DefaultPasswordOpensSilentlyAndResaveKeepsIt) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    Store(archive, kMember, kText, "secret");
    TEntryStore store;
    ScriptedPrompt prompt;
    store.PasswordPrompt = prompt.Bind();
    auto r = store.Load(archive, kMember, Profile("secret"));
    ASSERT_TRUE(r.Found);
    EXPECT_TRUE(r.PasswordProtected);
    EXPECT_EQ(kText, r.Bytes);
    EXPECT_TRUE(prompt.asked.empty());

    ASSERT_TRUE(store.Save(kText + "more", archive, kMember, Profile("secret")));
    EXPECT_TRUE(HeaderOf(archive, kMember).IsEncrypted());
    TEntryStore other;
    auto back = other.Load(archive, kMember, Profile("secret"));
    EXPECT_EQ(kText + "more", back.Bytes);
}

TEST(EntryStoreTest, OtherPasswordIsAskedAgainAfterAWrongAnswer) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    Store(archive, kMember, kText, "private");
    TEntryStore store;
    ScriptedPrompt prompt;
    prompt.answers = {"wrong", "Private", "private"};
    store.PasswordPrompt = prompt.Bind();
    auto r = store.Load(archive, kMember, Profile("secret"));
    ASSERT_TRUE(r.Found);
    EXPECT_EQ(kText, r.Bytes);
    EXPECT_TRUE(r.PasswordProtected);
    ASSERT_EQ(3u, prompt.asked.size());
    EXPECT_EQ("Password Prompt|Enter password:", prompt.asked[0]);
    EXPECT_FALSE(store.Locked());
    EXPECT_EQ("private", store.Archive().ZipPassword);
}

TEST(EntryStoreTest, GivingUpLocksTheEntryAndNoSaveReplacesIt) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    Store(archive, kMember, kText, "private");
    std::string before = ReadFile(archive);

    TEntryStore store;
    ScriptedPrompt prompt;
    prompt.answers = {"nope", ""};
    store.PasswordPrompt = prompt.Bind();
    auto r = store.Load(archive, kMember, Profile());
    EXPECT_FALSE(r.Found);
    EXPECT_TRUE(r.GaveUp);
    EXPECT_TRUE(store.Locked());
    EXPECT_EQ(2u, prompt.asked.size());

    // Whatever reaches the editor afterwards never replaces the member.
    EXPECT_TRUE(store.Save("{\\rtf1 typed over}", archive, kMember, Profile("", true)));
    EXPECT_EQ(before, ReadFile(archive));

    // Loading another entry lifts the lock.
    store.Load(archive, "2000\\Summary.rtf", Profile());
    EXPECT_FALSE(store.Locked());
    ASSERT_TRUE(store.Save(kText, archive, "2000\\Summary.rtf", Profile()));
    TEntryStore other;
    other.PasswordPrompt = [](const std::string&, const std::string&) {
        return std::string("private");
    };
    EXPECT_EQ(kText, other.Load(archive, kMember, Profile()).Bytes);
}

TEST(EntryStoreTest, ProtectingProfileEncryptsWithTheDefaultPassword) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    Store(archive, kMember, kText, "");
    TEntryStore store;
    ASSERT_TRUE(store.Load(archive, kMember, Profile("secret", true)).Found);
    ASSERT_TRUE(store.Save(kText + "x", archive, kMember, Profile("secret", true)));
    EXPECT_TRUE(HeaderOf(archive, kMember).IsEncrypted());
    TEntryStore other;
    auto back = other.Load(archive, kMember, Profile("secret"));
    EXPECT_TRUE(back.PasswordProtected);
    EXPECT_EQ(kText + "x", back.Bytes);

    // Without Protect the same save stays plain.
    TEntryStore plain;
    plain.Load(archive, "2000\\Summary.rtf", Profile("secret", false));
    ASSERT_TRUE(plain.Save(kText, archive, "2000\\Summary.rtf", Profile("secret", false)));
    EXPECT_FALSE(HeaderOf(archive, "2000\\Summary.rtf").IsEncrypted());
}

TEST(EntryStoreTest, CorruptArchiveRaisesAndIsLeftAsItWas) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    testsupport::WriteFile(archive, "PK\x03\x04 not really");
    std::string before = ReadFile(archive);
    TEntryStore store;
    EXPECT_THROW(store.Load(archive, kMember, Profile()), Exception);
    EXPECT_TRUE(store.Locked()); // nothing may be stored under the unread entry
    TEntryStore fresh;
    EXPECT_THROW(fresh.Save(kText, archive, kMember, Profile()), Exception);
    EXPECT_EQ(before, ReadFile(archive));
}

TEST(EntryStoreTest, SaveIntoAPlaceThatCannotHoldTheArchiveFails) {
    // The data folder is a plain file: neither the archive nor a temporary
    // file can be made there (this holds for root too, unlike permissions).
    TempDir dir;
    std::string notAFolder = dir.file("notafolder");
    testsupport::WriteFile(notAFolder, "x");
    TEntryStore store;
    bool saved = true;
    try {
        saved = store.Save(kText, notAFolder + "/Daybank.zip", kMember, Profile());
    } catch (const Exception&) {
        saved = false;
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ("x", ReadFile(notAFolder));
}

namespace {

// Records every file the writer creates, and the renames.
struct RecordingOps : TArchiveFileOps {
    std::vector<std::string>* created;
    std::vector<std::string>* renamed;
    RecordingOps(std::vector<std::string>* c, std::vector<std::string>* r)
        : created(c), renamed(r) {}
    std::unique_ptr<TStream> CreateFile(const std::string& name) override {
        created->push_back(name);
        return TArchiveFileOps::CreateFile(name);
    }
    int Rename(const std::string& from, const std::string& to) override {
        renamed->push_back(from + " -> " + to);
        return TArchiveFileOps::Rename(from, to);
    }
};

} // namespace

TEST(EntryStoreTest, SaveWritesTheNewArchiveBesideTheOldOneWhateverTheTempFolder) {
    // TMPDIR names another folder (on a real machine often another file
    // system): the save still makes its one temporary file beside the
    // archive and renames it, instead of writing the archive twice.
    TempDir dir, elsewhere;
    const std::string archive = dir.file("Daybank.zip");
    Store(archive, "2000\\1\\Week1\\1.rtf", kText, "");
    const char* old = std::getenv("TMPDIR");
    const std::string oldTmp = old ? old : "";
    ::setenv("TMPDIR", elsewhere.path().c_str(), 1);

    std::vector<std::string> created, renamed;
    TEntryStore store;
    store.Archive().FileOps = std::make_unique<RecordingOps>(&created, &renamed);
    const bool saved = store.Save(kText, archive, kMember, Profile());
    if (old)
        ::setenv("TMPDIR", oldTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");

    EXPECT_TRUE(saved);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(FolderOf(created[0]), dir.path());
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0], created[0] + " -> " + archive);
    EXPECT_TRUE(testsupport::ListDir(elsewhere.path()).empty());
    EXPECT_EQ(HeaderOf(archive, kMember).UncompressedSize, static_cast<std::int32_t>(kText.size()));
}

TEST(EntryStoreTest, TemplatesAreReadWithTheDefaultPasswordAtMostAndLeaveTheEntrysPassword) {
    TempDir dir;
    const std::string archive = dir.file("Daybank.zip");
    EXPECT_ANY_THROW(TEntryStore().LoadTemplate(archive)); // no archive: the engine's error
    Store(archive, kMember, kText, "private");
    TEntryStore store;
    ScriptedPrompt prompt;
    prompt.answers = {"private"};
    store.PasswordPrompt = prompt.Bind();
    ASSERT_TRUE(store.Load(archive, kMember, Profile("secret")).Found);
    EXPECT_FALSE(store.LoadTemplate(archive).has_value()); // none stored yet
    ASSERT_TRUE(store.SaveTemplate("{\\rtf1 plain template}", archive));
    EXPECT_EQ(store.LoadTemplate(archive), "{\\rtf1 plain template}");
    EXPECT_FALSE(HeaderOf(archive, TemplateMember).IsEncrypted());
    // A template another program encrypted: the default password of the
    // last load opens it, any other leaves it unread; the user is not asked.
    Store(archive, TemplateMember, "{\\rtf1 default}", "secret");
    EXPECT_EQ(store.LoadTemplate(archive), "{\\rtf1 default}");
    Store(archive, TemplateMember, "{\\rtf1 other}", "other");
    EXPECT_FALSE(store.LoadTemplate(archive).has_value());
    EXPECT_EQ(prompt.asked.size(), 1u); // the entry's own question only
    EXPECT_EQ(store.EntryPassword(), "private");
}

TEST(EntryStoreTest, AMemberThatCannotBeReadIsNeverTakenForAnAbsentOne) {
    TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    TZipWriter w;
    w.SetStorePaths(true);
    w.SetZipName(archive);
    w.Cipher = zcAes256;
    w.ZipPassword = "secret";
    TMemoryStream sealed(kText);
    ASSERT_EQ(1, w.AddFromStream(&sealed, kMember));
    w.ZipPassword.clear();
    w.SetPackLevel(0);
    TMemoryStream plain(kText);
    ASSERT_EQ(1, w.AddFromStream(&plain, "2000\\3\\Week3\\16.rtf"));
    // One byte of the AES member's data changes, and the stored member's
    // header says it is shorter than its data.
    std::string bytes = ReadFile(archive);
    const std::size_t at = HeaderOf(archive, kMember).LocalOffset;
    const auto u16 = [&](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i]) |
                                        static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    // Past the 16-byte salt and the 2-byte verifier: the encrypted data.
    bytes[at + 30 + u16(at + 26) + u16(at + 28) + 16 + 2 + 4] ^= 0x40;
    const std::size_t size = bytes.find("2000/3/Week3/16.rtf") - 30 + 22;
    bytes[size] = static_cast<char>(bytes[size] - 1);
    bytes[bytes.find("2000/3/Week3/16.rtf", bytes.find("PK\x01\x02")) - 46 + 24] = bytes[size];
    testsupport::WriteFile(archive, bytes);

    for (const auto& [member, reason] :
         {std::pair<std::string, std::string>{kMember, "it is damaged (encrypted data altered)"},
          {"2000\\3\\Week3\\16.rtf", "it is damaged (data longer than its header says)"}}) {
        TEntryStore store;
        ScriptedPrompt prompt;
        store.PasswordPrompt = prompt.Bind();
        auto r = store.Load(archive, member, Profile("secret"));
        EXPECT_FALSE(r.Found) << member;
        EXPECT_TRUE(r.Unreadable) << member;
        EXPECT_EQ(r.Reason, reason);
        EXPECT_TRUE(store.Locked());
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_TRUE(store.Save("{\\rtf1 replaced}", archive, member, Profile("secret")));
        EXPECT_EQ(ReadFile(archive), bytes) << member;
    }
}
