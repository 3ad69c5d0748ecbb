// Keys of AES members, derived once per run.
//
// An AES member's keys cost 1000 rounds of PBKDF2 (about a millisecond of
// processor time), and every member has its own salt, so no two members
// share the work. A diary reads the same members again and again in a run
// (a search reads every entry; an entry opened after a search, or read back
// after a save, is the same member with the same salt), so the keys a
// password and a salt give are kept for the run: the second read of a
// member costs no derivation. They open nothing the password that made them
// does not open, and the program holds that password for the run anyway;
// they are wiped when they are dropped (Clear, a full cache, the end of the
// program).
//
// A reader about to read many members hands their salts to a
// TAesKeyPrefetch, which derives them on every processor in the order given
// while the reader goes on. Keys() then finds a member's keys made, waits
// for the worker deriving them, or derives them itself when no worker has
// come to them yet; a member is never derived twice at once.
#pragma once

#include "platform/password.h"
#include "zip/aes_crypt.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// An AES member's salt and key length, as its data starts.
struct TAesSalt {
    std::uint8_t Bytes[16] = {};
    std::uint8_t KeyBytes = 0; // 16, 24 or 32; the salt is half as long
};

class TAesKeyCache {
public:
    // The program's cache.
    static TAesKeyCache& Instance();

    // The keys of `password` (its bytes as held) and the salt: kept ones, or
    // derived now and kept. Exceptions as DeriveAesKeys.
    TAesKeys Keys(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes);
    // Forgets (and wipes) every kept key; keys being derived are kept when made.
    void Clear();
    // Keys kept now.
    std::size_t Size() const;
    // Keys derived since the program started (not found kept): lets tests
    // see that a read was served from the cache.
    std::uint64_t Derivations() const { return derivations_; }

    // At most this many keys are kept; past it the cache starts again.
    static constexpr std::size_t kMaxKept = 100000;

private:
    friend class TAesKeyPrefetch;
    struct TSlot {
        bool Ready = false;
        TAesKeys Keys;
    };
    struct TForPassword;
    // The slot of a member under the lock; nullptr when none; `claim`
    // makes an empty one (and *claimed says so) when there is none.
    TSlot* Find(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes,
                bool claim, bool* claimed);
    void Derive(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes,
                TSlot*& slot, std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable made_;
    std::vector<std::unique_ptr<TForPassword>> passwords_;
    std::size_t kept_ = 0;
    std::atomic<std::uint64_t> derivations_{0};

    TAesKeyCache();
    ~TAesKeyCache();
};

// Derives the keys of `salts` for `password` in the background, in the
// order given, on one thread per processor. Destroying it stops the workers
// after the members they are deriving (a millisecond each) and waits for
// them.
class TAesKeyPrefetch {
public:
    TAesKeyPrefetch(const TPassword& password, std::vector<TAesSalt> salts,
                    unsigned threads = std::thread::hardware_concurrency());
    ~TAesKeyPrefetch();
    TAesKeyPrefetch(const TAesKeyPrefetch&) = delete;
    TAesKeyPrefetch& operator=(const TAesKeyPrefetch&) = delete;

private:
    void Work();

    const TPassword password_;
    const std::vector<TAesSalt> salts_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::vector<std::thread> workers_;
};
