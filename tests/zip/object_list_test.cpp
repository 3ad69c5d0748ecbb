#include "zip/object_list.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An item that counts its destructions, so ownership can be observed.
struct TItem {
    TItem(int k, int* deaths = nullptr) : key(k), deaths(deaths) {}
    virtual ~TItem() {
        if (deaths) ++*deaths;
    }
    int key;
    int* deaths;
};

class TIntList : public TSortedObjectList<TItem> {
public:
    explicit TIntList(int policy) : TSortedObjectList<TItem>(policy) {}
    int Compare(const TItem* a, const TItem* b) const override {
        return a->key < b->key ? -1 : a->key > b->key ? 1 : 0;
    }
};

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const EListError& e) {
        return e.what();
    }
    return "no exception";
}

} // namespace

TEST(ObjectList, GrowsInStepsOfFourEightSixteen) {
    TObjectList<TItem> list;
    std::vector<int> capacities;
    for (int i = 0; i < 40; ++i) {
        list.Add(new TItem(i));
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48}));
}

TEST(ObjectList, IndexErrorsCarryTheOffendingIndex) {
    TObjectList<TItem> list;
    list.Add(new TItem(1));
    list.Add(new TItem(2));
    EXPECT_EQ(Message([&] { list.Items(2); }), "List index out of bounds (2)");
    EXPECT_EQ(Message([&] { list.Items(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(Message([&] { list.Insert(3, nullptr); }), "List index out of bounds (3)");
    EXPECT_EQ(Message([&] { list.SetCapacity(1); }), "List index out of bounds (1)");
    EXPECT_EQ(Message([&] { list.SetCapacity(65535); }), "List index out of bounds (65535)");
    EXPECT_EQ(Message([&] { list.SetCount(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(Message([&] { list.SetCount(65535); }), "List index out of bounds (65535)");
    TObjectList<TItem> empty;
    EXPECT_EQ(Message([&] { empty.First(); }), "List index out of bounds (0)");
    EXPECT_EQ(Message([&] { empty.Last(); }), "List index out of bounds (-1)");
}

TEST(ObjectList, CapacityStopsAt65534) {
    TObjectList<TItem> list;
    list.SetOwnsObjects(false);
    list.SetCount(65534);
    EXPECT_EQ(list.Count(), 65534);
    EXPECT_EQ(list.Items(65533), nullptr);
    EXPECT_THROW(list.Add(nullptr), EListError);
    EXPECT_EQ(list.Count(), 65534);
}

TEST(ObjectList, OwnershipFreeAllFreesClearAndPutDoNot) {
    int deaths = 0;
    TItem* kept = new TItem(1, &deaths);
    {
        TObjectList<TItem> list;
        list.Add(kept);
        list.Clear();
        EXPECT_EQ(deaths, 0);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Capacity(), 0);
        list.Add(kept);
        TItem* other = new TItem(2, &deaths);
        list.Put(0, other); // replaces without freeing `kept`
        EXPECT_EQ(deaths, 0);
        list.FreeAll();
        EXPECT_EQ(deaths, 1); // `other`
        list.Add(new TItem(3, &deaths));
    } // destruction frees the rest
    EXPECT_EQ(deaths, 2);
    delete kept;
    EXPECT_EQ(deaths, 3);

    deaths = 0;
    TItem stack(4, &deaths);
    {
        TObjectList<TItem> borrowed;
        borrowed.SetOwnsObjects(false);
        borrowed.Add(&stack);
    }
    EXPECT_EQ(deaths, 0);
}

TEST(ObjectList, InsertIndexOfNeighbourFirstLast) {
    TObjectList<TItem> list;
    TItem* a = new TItem(1);
    TItem* b = new TItem(2);
    TItem* c = new TItem(3);
    list.Add(a);
    list.Add(c);
    list.Insert(1, b);
    EXPECT_EQ(list.IndexOf(b), 1);
    EXPECT_EQ(list.First(), a);
    EXPECT_EQ(list.Last(), c);
    EXPECT_EQ(list.Neighbour(nullptr, true), a);
    EXPECT_EQ(list.Neighbour(nullptr, false), c);
    EXPECT_EQ(list.Neighbour(a, true), b);
    EXPECT_EQ(list.Neighbour(b, false), a);
    EXPECT_EQ(list.Neighbour(c, true), nullptr);
    EXPECT_EQ(list.Neighbour(a, false), nullptr);
    TItem stranger(9);
    EXPECT_EQ(Message([&] { list.Neighbour(&stranger, true); }), "tObject TItem not in item list");
    EXPECT_EQ(list.IndexOf(&stranger), -1);
    std::unique_ptr<TItem> out(list.Extract(0));
    EXPECT_EQ(out.get(), a);
    EXPECT_EQ(list.First(), b);
}

TEST(SortedObjectList, KeepsOrderAndAddReturnsZero) {
    TIntList list(TIntList::dupIgnore);
    for (int k : {5, 1, 9, 3, 7})
        EXPECT_EQ(list.Add(new TItem(k)), 0);
    std::vector<int> keys;
    for (TItem* item : list)
        keys.push_back(item->key);
    EXPECT_EQ(keys, (std::vector<int>{1, 3, 5, 7, 9}));
    EXPECT_EQ(Message([&] { list.Put(0, nullptr); }), "Cannot <Put> an Object in a sorted list!");
    TItem probe(7);
    EXPECT_EQ(list.IndexOf(&probe), 3); // by key, not by reference
    TItem absent(4);
    EXPECT_EQ(list.IndexOf(&absent), -1);
    int index = -1;
    EXPECT_FALSE(list.Find(&absent, index));
    EXPECT_EQ(index, 2);
}

TEST(SortedObjectList, PolicyIgnoreLeavesListAndItemAlone) {
    int deaths = 0;
    TIntList list(TIntList::dupIgnore);
    list.Add(new TItem(1, &deaths));
    TItem* equal = new TItem(1, &deaths);
    EXPECT_EQ(list.Add(equal), 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_NE(list.Items(0), equal);
    EXPECT_EQ(deaths, 0); // the caller still owns it
    delete equal;

    // The explicit hand-off gives a refused item back and keeps an accepted one.
    std::unique_ptr<TItem> back = list.Adopt(std::make_unique<TItem>(1, &deaths));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(list.Adopt(std::make_unique<TItem>(2, &deaths)), nullptr);
    EXPECT_EQ(list.Count(), 2);
}

TEST(SortedObjectList, PolicyAcceptPutsNewItemBeforeEqualOnes) {
    TIntList list(TIntList::dupAccept);
    TItem* first = new TItem(5);
    list.Add(new TItem(1));
    list.Add(first);
    list.Add(new TItem(9));
    TItem* second = new TItem(5);
    list.Add(second);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(1), second);
    EXPECT_EQ(list.Items(2), first);
    int index = -1;
    TItem probe(5);
    EXPECT_TRUE(list.Find(&probe, index));
    EXPECT_EQ(index, 1); // the first of the equal items
}

TEST(SortedObjectList, PolicyErrorRaisesAndAdoptFreesTheItem) {
    int deaths = 0;
    TIntList list(TIntList::dupError);
    list.Add(new TItem(1, &deaths));
    EXPECT_EQ(Message([&] { list.Adopt(std::make_unique<TItem>(1, &deaths)); }),
              "Duplicate Object index");
    EXPECT_EQ(deaths, 1); // the refused item, freed by its unique_ptr
    EXPECT_EQ(list.Count(), 1);
}

TEST(SortedObjectList, FindOnEveryPositionOfALargerList) {
    TIntList list(TIntList::dupError);
    for (int k = 0; k < 200; k += 2)
        list.Add(new TItem(k));
    for (int k = -1; k <= 200; ++k) {
        TItem probe(k);
        int index = -1;
        bool found = list.Find(&probe, index);
        EXPECT_EQ(found, k >= 0 && k < 200 && k % 2 == 0) << k;
        EXPECT_EQ(index, k < 0 ? 0 : (k + 1) / 2) << k;
    }
}
