#include "zip/aes_key_cache.h"

#include <algorithm>
#include <unordered_map>

// The slots of one password, by key length and salt. Slots are nodes of
// the map, so a slot stays where it is while others come and go; a slot
// being derived is never erased by Clear, so the thread deriving it can
// fill it without holding the lock.
struct TAesKeyCache::TForPassword {
    TPassword Password;
    std::unordered_map<std::string, TSlot> Slots;
};

namespace {

std::string SlotKey(const std::uint8_t* salt, std::size_t keyBytes) {
    std::string key(1, static_cast<char>(keyBytes));
    key.append(reinterpret_cast<const char*>(salt), keyBytes / 2);
    return key;
}

} // namespace

TAesKeyCache::TAesKeyCache() = default;
TAesKeyCache::~TAesKeyCache() = default;

TAesKeyCache& TAesKeyCache::Instance() {
    static TAesKeyCache cache;
    return cache;
}

TAesKeyCache::TSlot* TAesKeyCache::Find(std::string_view password, const std::uint8_t* salt,
                                        std::size_t keyBytes, bool claim, bool* claimed) {
    if (claimed) *claimed = false;
    auto it = std::find_if(passwords_.begin(), passwords_.end(),
                           [&](const auto& p) { return p->Password.View() == password; });
    if (it == passwords_.end()) {
        if (!claim) return nullptr;
        passwords_.push_back(std::make_unique<TForPassword>());
        passwords_.back()->Password = password;
        it = passwords_.end() - 1;
    }
    auto& slots = (*it)->Slots;
    const std::string key = SlotKey(salt, keyBytes);
    if (const auto found = slots.find(key); found != slots.end()) return &found->second;
    if (!claim) return nullptr;
    if (kept_ >= kMaxKept) {
        // Full: start again, keeping the slots being derived.
        for (auto& p : passwords_)
            std::erase_if(p->Slots, [](const auto& s) { return s.second.Ready; });
        kept_ = 0;
    }
    if (claimed) *claimed = true;
    return &slots[key];
}

void TAesKeyCache::Derive(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes,
                          TSlot*& slot, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    TAesKeys keys;
    try {
        keys = DeriveAesKeys(password, salt, keyBytes);
    } catch (...) {
        // The slot is given up, so that a waiting reader derives it itself
        // and meets the failure.
        lock.lock();
        for (auto& p : passwords_)
            if (p->Password.View() == password) p->Slots.erase(SlotKey(salt, keyBytes));
        made_.notify_all();
        throw;
    }
    ++derivations_;
    lock.lock();
    slot->Keys = keys;
    slot->Ready = true;
    ++kept_;
    made_.notify_all();
}

TAesKeys TAesKeyCache::Keys(std::string_view password, const std::uint8_t* salt,
                            std::size_t keyBytes) {
    if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32)
        return DeriveAesKeys(password, salt, keyBytes); // says what is wrong
    std::unique_lock lock(mutex_);
    for (;;) {
        bool claimed = false;
        TSlot* slot = Find(password, salt, keyBytes, true, &claimed);
        if (claimed) Derive(password, salt, keyBytes, slot, lock);
        if (slot->Ready) return slot->Keys;
        made_.wait(lock); // a worker is deriving it
    }
}

void TAesKeyCache::Clear() {
    std::lock_guard lock(mutex_);
    for (auto& p : passwords_)
        std::erase_if(p->Slots, [](const auto& s) { return s.second.Ready; });
    std::erase_if(passwords_, [](const auto& p) { return p->Slots.empty(); });
    kept_ = 0;
}

std::size_t TAesKeyCache::Size() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& p : passwords_)
        n += static_cast<std::size_t>(std::count_if(p->Slots.begin(), p->Slots.end(),
                                                    [](const auto& s) { return s.second.Ready; }));
    return n;
}

TAesKeyPrefetch::TAesKeyPrefetch(const TPassword& password, std::vector<TAesSalt> salts,
                                 unsigned threads)
    // The form of the password a reader tries first, and the one every
    // writer keys with.
    : password_(password.empty() ? TPassword() : AesPasswordForms(password).front()),
      salts_(std::move(salts)) {
    if (password_.empty() || salts_.empty()) return;
    threads = std::clamp<unsigned>(threads, 1, 16);
    threads = std::min<unsigned>(threads, static_cast<unsigned>(salts_.size()));
    for (unsigned i = 0; i < threads; ++i)
        workers_.emplace_back([this] { Work(); });
}

TAesKeyPrefetch::~TAesKeyPrefetch() {
    stop_ = true;
    for (std::thread& t : workers_)
        t.join();
}

void TAesKeyPrefetch::Work() {
    TAesKeyCache& cache = TAesKeyCache::Instance();
    while (!stop_) {
        const std::size_t i = next_++;
        if (i >= salts_.size()) return;
        const TAesSalt& s = salts_[i];
        if (s.KeyBytes != 16 && s.KeyBytes != 24 && s.KeyBytes != 32) continue;
        std::unique_lock lock(cache.mutex_);
        bool claimed = false;
        TAesKeyCache::TSlot* slot = cache.Find(password_, s.Bytes, s.KeyBytes, true, &claimed);
        if (!claimed) continue; // made, or being made by a reader
        try {
            cache.Derive(password_, s.Bytes, s.KeyBytes, slot, lock);
        } catch (...) {
            return; // the reader that needs it derives it and hears why
        }
    }
}
