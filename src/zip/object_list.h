// Owning object lists: the base of the archive directory (TSortedZip).
//
// TObjectList<T> is an array of T* with a count, a capacity that grows in
// steps (4, 8, then 16) up to 65,534, and an owns flag (true on creation).
// TSortedObjectList<T, Key> keeps its items in the order of Compare on their
// keys and has a duplicates policy: 0 ignore an equal item, 1 accept it (it
// goes in front of the equal ones), 2 raise EListError "Duplicate Object
// index".
//
// Ownership. An owning list deletes its items in FreeAll and on destruction,
// never in Clear, Put or SetCount (those only drop references: whoever
// clears an owning list takes the items over). Items enter as raw pointers:
// `Add(item)` / `Insert(i, item)` hand the item to an owning list only when it
// is actually stored. A sorted list with policy 0 does not store an item equal
// to one already present, and then the caller still owns it. `Adopt(unique_ptr)`
// makes that explicit: it returns nullptr when the list took the item and
// gives the item back when it was refused; on an exception the item is freed.
#pragma once

#include "zip/exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace detail {
// Readable class name for the "not in item list" message.
template <class T> std::string ClassNameOf(const T* item) {
    const char* mangled = item ? typeid(*item).name() : typeid(T).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = (status == 0 && plain) ? plain : mangled;
    std::free(plain);
    // The bare class name, as the user knows it: no namespaces.
    if (name.find('<') == std::string::npos) {
        std::size_t colon = name.rfind("::");
        if (colon != std::string::npos) name.erase(0, colon + 2);
    }
    return name;
}
} // namespace detail

template <class T> class TObjectList {
public:
    static constexpr int MaxListSize = 65534;

    TObjectList() = default;
    virtual ~TObjectList() { FreeAll(); }
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return capacity_; }
    bool OwnsObjects() const { return owns_; }
    void SetOwnsObjects(bool owns) { owns_ = owns; }

    // EListError "List index out of bounds (%d)".
    [[noreturn]] virtual void Error(int index) const {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    virtual void Grow() { SetCapacity(capacity_ + (capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4)); }
    // Replaces the item without freeing the old one.
    virtual void Put(int index, T* item) {
        CheckIndex(index);
        items_[static_cast<std::size_t>(index)] = item;
    }
    virtual void FreeObject(T* item) {
        if (owns_) delete item;
    }
    // Appends; returns the new index.
    virtual int Add(T* item) {
        if (Count() == capacity_) Grow();
        items_.push_back(item);
        return Count() - 1;
    }
    // Drops every reference; the items are not freed.
    virtual void Clear() {
        items_.clear();
        items_.shrink_to_fit();
        capacity_ = 0;
    }
    // First position holding this very pointer, -1 when none.
    virtual int IndexOf(const T* item) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == item) return static_cast<int>(i);
        return -1;
    }
    // Index 0..Count(); shifts the tail up.
    virtual void Insert(int index, T* item) {
        if (index < 0 || index > Count()) Error(index);
        if (Count() == capacity_) Grow();
        items_.insert(items_.begin() + index, item);
    }
    virtual T* First() const { return Items(0); }
    virtual T* Last() const { return Items(Count() - 1); }
    // The item after (forward) or before `item`, nullptr at either end; with
    // no item, First() or Last(). EListError "tObject %s not in item list"
    // (the item's class) when the item is not in the list.
    virtual T* Neighbour(const T* item, bool forward) const {
        if (!item) return forward ? First() : Last();
        int i = IndexOf(item);
        if (i < 0) throw EListError("tObject " + detail::ClassNameOf(item) + " not in item list");
        int j = forward ? i + 1 : i - 1;
        return j >= 0 && j < Count() ? items_[static_cast<std::size_t>(j)] : nullptr;
    }

    T* Items(int index) const {
        CheckIndex(index);
        return items_[static_cast<std::size_t>(index)];
    }
    T* operator[](int index) const { return Items(index); }
    void SetCapacity(int n) {
        if (n < Count() || n > MaxListSize) Error(n);
        capacity_ = n;
        // The capacity is the list's own count; the storage behind it grows
        // by doubling, so that filling a list of n items copies O(n)
        // pointers, not O(n * n / 16) as growing by 16 at a time would.
        if (static_cast<std::size_t>(n) > items_.capacity())
            items_.reserve(std::max(static_cast<std::size_t>(n), 2 * items_.capacity()));
    }
    // New slots are empty (nullptr); dropped items are not freed.
    void SetCount(int n) {
        if (n < 0 || n > MaxListSize) Error(n);
        if (n > capacity_) SetCapacity(n);
        items_.resize(static_cast<std::size_t>(n), nullptr);
    }
    void FreeAll() {
        for (T* item : items_)
            FreeObject(item);
        Clear();
    }
    // Removes the item at index and hands it to the caller (who owns it now,
    // when the list owned it).
    T* Extract(int index) {
        T* item = Items(index);
        items_.erase(items_.begin() + index);
        return item;
    }
    // Add with explicit ownership: nullptr when the list took the item, the
    // item itself when a sorted list refused it.
    std::unique_ptr<T> Adopt(std::unique_ptr<T> item) {
        int before = Count();
        Add(item.get());
        if (Count() > before) item.release();
        return item;
    }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) Error(index);
    }

    std::vector<T*> items_;
    int capacity_ = 0;
    bool owns_ = true;
};

template <class T, class Key = T> class TSortedObjectList : public TObjectList<T> {
public:
    enum : int { dupIgnore = 0, dupAccept = 1, dupError = 2 };

    explicit TSortedObjectList(int duplicates = dupIgnore) : duplicates_(duplicates) {}

    int Duplicates() const { return duplicates_; }

    void Put(int, T*) override { throw EListError("Cannot <Put> an Object in a sorted list!"); }
    // Inserts at the sorted place; always returns 0 (see the ownership note).
    int Add(T* item) override {
        Insert(0, item);
        return 0;
    }
    int IndexOf(const T* item) const override {
        int index;
        return Find(KeyOf(item), index) ? index : -1;
    }
    // The index is ignored: Find gives the place.
    void Insert(int, T* item) override {
        int index = this->Count();
        // Items that come in order (a directory read from an archive) go
        // after the last one without a search.
        if (index > 0 && Compare(KeyOf(this->items_.back()), KeyOf(item)) < 0) {
            TObjectList<T>::Insert(index, item);
            return;
        }
        if (Find(KeyOf(item), index)) {
            if (duplicates_ == dupIgnore) return; // not added: the caller keeps the item
            if (duplicates_ == dupError) throw EListError("Duplicate Object index");
        }
        TObjectList<T>::Insert(index, item);
    }

    // The key an item is sorted by; the item itself unless a list says otherwise.
    virtual const Key* KeyOf(const T* item) const {
        if constexpr (std::is_convertible_v<const T*, const Key*>)
            return item;
        else
            throw EListError("KeyOf is not supplied");
    }
    // Negative when key1 goes before key2, 0 when equal, positive after.
    virtual int Compare(const Key* key1, const Key* key2) const = 0;

    // Binary search. True when an equal item exists; index is then that of an
    // equal item met by the search, or with policy 1 the first equal one (so
    // a new equal item goes in front). Otherwise index is the insert place.
    bool Find(const Key* key, int& index) const {
        int low = 0, high = this->Count() - 1;
        bool found = false;
        while (low <= high) {
            int middle = (low + high) / 2;
            int r = Compare(KeyOf(this->items_[static_cast<std::size_t>(middle)]), key);
            if (r < 0) {
                low = middle + 1;
            } else {
                high = middle - 1;
                if (r == 0) {
                    found = true;
                    if (duplicates_ != dupAccept) low = middle;
                }
            }
        }
        index = low;
        return found;
    }

private:
    int duplicates_;
};
