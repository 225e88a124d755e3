#include "MovieToolbox/QTAtomContainer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UInt8>;

// Owns a container for the length of a test.
struct Container {
    QTAtomContainer h = nullptr;
    Container() { EXPECT_EQ(QTNewAtomContainer(&h), noErr); }
    explicit Container(const Bytes& bytes) {
        EXPECT_EQ(PtrToHand(bytes.data(), &h, long(bytes.size())), noErr);
    }
    ~Container() { QTDisposeAtomContainer(h); }
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    Bytes bytes() const { return Bytes(*h, *h + GetHandleSize(h)); }
    QTAtom insert(QTAtom parent, QTAtomType type, QTAtomID id, const std::string& data = "",
                  short index = 0) {
        QTAtom atom = 0;
        EXPECT_EQ(QTInsertChild(h, parent, type, id, index, long(data.size()),
                                const_cast<char*>(data.data()), &atom),
                  noErr);
        return atom;
    }
    std::string data(QTAtom atom) const {
        long size = 0;
        Ptr p = nullptr;
        if (QTGetAtomDataPtr(h, atom, &size, &p) != noErr)
            return "<error>";
        return std::string(p, size_t(size));
    }
    // The IDs of the parent's children of one type, in order.
    std::vector<QTAtomID> ids(QTAtom parent, QTAtomType type) const {
        std::vector<QTAtomID> out;
        for (short i = 1; i <= QTCountChildrenOfType(h, parent, type); ++i) {
            QTAtomID id = 0;
            EXPECT_NE(QTFindChildByIndex(h, parent, type, i, &id), 0);
            out.push_back(id);
        }
        return out;
    }
};

Bytes BE32(UInt32 v) {
    return {UInt8(v >> 24), UInt8(v >> 16), UInt8(v >> 8), UInt8(v)};
}

Bytes AtomHeader(UInt32 size, UInt32 type, UInt32 id, UInt16 children) {
    Bytes b = BE32(size);
    for (const Bytes& part : {BE32(type), BE32(id)})
        b.insert(b.end(), part.begin(), part.end());
    b.insert(b.end(), {0, 0, UInt8(children >> 8), UInt8(children), 0, 0, 0, 0});
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kContainerHeader(12, 0);

TEST(QTAtomContainer, LaysOutAtomsAsQuickTimeStoresThem) {
    Container c;
    EXPECT_EQ(c.bytes(), Cat({kContainerHeader, AtomHeader(20, 'sean', 1, 0)}));
    const QTAtom parent = c.insert(kParentAtomIsContainer, 'sptl', 7);
    c.insert(parent, 'cdec', 1, "rle ");
    c.insert(kParentAtomIsContainer, 'tprl', 2, "xy");
    EXPECT_EQ(c.bytes(), Cat({kContainerHeader,
                              AtomHeader(20 + 44 + 22, 'sean', 1, 2),
                              AtomHeader(44, 'sptl', 7, 1),
                              AtomHeader(24, 'cdec', 1, 0),
                              {'r', 'l', 'e', ' '},
                              AtomHeader(22, 'tprl', 2, 0),
                              {'x', 'y'}}));
}

TEST(QTAtomContainer, FindsNestedChildrenByIDAndIndex) {
    Container c;
    const QTAtom settings = c.insert(kParentAtomIsContainer, 'sptl', 1);
    c.insert(settings, 'dpth', 1, "\x20");
    c.insert(settings, 'frme', 5, "five");
    c.insert(settings, 'frme', 3, "three");
    c.insert(settings, 'frme', 4, "four", 2);  // between 5 and 3
    c.insert(settings, 'frme', 0, "auto");     // the smallest free ID
    const QTAtom first = c.insert(settings, 'frme', 9, "first", 1);

    EXPECT_EQ(c.ids(settings, 'frme'), (std::vector<QTAtomID>{9, 5, 4, 3, 1}));
    EXPECT_EQ(QTCountChildrenOfType(c.h, settings, 0), 6);
    EXPECT_EQ(QTCountChildrenOfType(c.h, kParentAtomIsContainer, 'frme'), 0);

    short index = 0;
    const QTAtom three = QTFindChildByID(c.h, settings, 'frme', 3, &index);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(c.data(three), "three");
    EXPECT_EQ(c.data(QTFindChildByID(c.h, settings, 'frme', 1, nullptr)), "auto");
    EXPECT_EQ(c.data(QTFindChildByIndex(c.h, settings, 'frme', 1, nullptr)), "first");
    EXPECT_EQ(QTFindChildByID(c.h, settings, 'frme', 8, nullptr), 0);
    EXPECT_EQ(QTFindChildByIndex(c.h, settings, 'frme', 6, nullptr), 0);

    EXPECT_EQ(c.data(first), "first");  // the last insertion: nothing has moved it
    QTAtomType type = 0;
    QTAtomID id = 0;
    EXPECT_EQ(QTGetAtomTypeAndID(c.h, first, &type, &id), noErr);
    EXPECT_EQ(type, 'frme');
    EXPECT_EQ(id, 9);

    EXPECT_EQ(QTGetNextChildType(c.h, settings, 0), 'dpth');
    EXPECT_EQ(QTGetNextChildType(c.h, settings, 'dpth'), 'frme');
    EXPECT_EQ(QTGetNextChildType(c.h, settings, 'frme'), 0);
    EXPECT_EQ(QTGetNextChildType(c.h, kParentAtomIsContainer, 0), 'sptl');
}

TEST(QTAtomContainer, RefusesInsertionsThatBreakTheTree) {
    Container c;
    const QTAtom leaf = c.insert(kParentAtomIsContainer, 'leaf', 1, "data");
    QTAtom out = 0;
    EXPECT_EQ(QTInsertChild(c.h, kParentAtomIsContainer, 'leaf', 1, 0, 0, nullptr, &out),
              duplicateAtomTypeAndIDErr);
    EXPECT_EQ(QTInsertChild(c.h, leaf, 'kid ', 1, 0, 0, nullptr, &out), invalidAtomErr);
    EXPECT_EQ(QTInsertChild(c.h, kParentAtomIsContainer, 0, 1, 0, 0, nullptr, &out),
              invalidAtomTypeErr);
    EXPECT_EQ(QTInsertChild(c.h, kParentAtomIsContainer, 'leaf', 2, 3, 0, nullptr, &out),
              atomIndexInvalidErr);
    EXPECT_EQ(QTInsertChild(c.h, kParentAtomIsContainer, 'leaf', 2, 0, -1, nullptr, &out),
              paramErr);
    for (QTAtom notAnAtom :
         {QTAtom(1), QTAtom(13), leaf + 2, leaf + 20, QTAtom(10000), QTAtom(-4)}) {
        EXPECT_EQ(QTInsertChild(c.h, notAnAtom, 'kid ', 1, 0, 0, nullptr, &out), invalidAtomErr);
        EXPECT_EQ(QTSetAtomData(c.h, notAnAtom, 0, nullptr), invalidAtomErr);
        EXPECT_EQ(QTRemoveAtom(c.h, notAnAtom), invalidAtomErr);
        EXPECT_EQ(QTCountChildrenOfType(c.h, notAnAtom, 0), 0);
    }
    EXPECT_EQ(c.bytes().size(), 12u + 20 + 24);  // unchanged by the refusals

    // An empty leaf may become a parent; a parent has no data to read.
    const QTAtom empty = c.insert(kParentAtomIsContainer, 'empt', 1);
    c.insert(empty, 'kid ', 1, "k");
    long size = 0;
    Ptr p = nullptr;
    EXPECT_EQ(QTGetAtomDataPtr(c.h, QTFindChildByID(c.h, 0, 'empt', 1, nullptr), &size, &p),
              notLeafAtomErr);
    EXPECT_EQ(QTGetAtomDataPtr(c.h, kParentAtomIsContainer, &size, &p), invalidAtomErr);
    EXPECT_EQ(QTRemoveAtom(c.h, kParentAtomIsContainer), invalidAtomErr);
}

TEST(QTAtomContainer, ChangesDataAndRemovesAtomsKeepingEveryAncestorsSize) {
    Container c;
    const QTAtom outer = c.insert(kParentAtomIsContainer, 'outr', 1);
    const QTAtom inner = c.insert(outer, 'innr', 1);
    c.insert(inner, 'valu', 1, "abc");
    c.insert(inner, 'valu', 2, "tail");
    c.insert(kParentAtomIsContainer, 'last', 1, "end");

    QTAtom value = QTFindChildByID(c.h, inner, 'valu', 1, nullptr);
    ASSERT_EQ(QTSetAtomData(c.h, value, 10, const_cast<char*>("0123456789")), noErr);
    ASSERT_EQ(QTValidateAtomContainer(c.h), noErr);
    EXPECT_EQ(c.data(QTFindChildByID(c.h, inner, 'valu', 1, nullptr)), "0123456789");
    EXPECT_EQ(c.data(QTFindChildByID(c.h, inner, 'valu', 2, nullptr)), "tail");
    EXPECT_EQ(c.data(QTFindChildByID(c.h, 0, 'last', 1, nullptr)), "end");

    value = QTFindChildByID(c.h, inner, 'valu', 1, nullptr);
    ASSERT_EQ(QTSetAtomData(c.h, value, 1, const_cast<char*>("z")), noErr);
    ASSERT_EQ(QTValidateAtomContainer(c.h), noErr);
    EXPECT_EQ(c.data(QTFindChildByID(c.h, inner, 'valu', 1, nullptr)), "z");

    // Data copied from another atom of the same container (it moves while growing).
    Ptr tail = nullptr;
    long tailSize = 0;
    ASSERT_EQ(
        QTGetAtomDataPtr(c.h, QTFindChildByID(c.h, inner, 'valu', 2, nullptr), &tailSize, &tail),
        noErr);
    ASSERT_EQ(QTInsertChild(c.h, inner, 'copy', 1, 0, tailSize, tail, nullptr), noErr);
    EXPECT_EQ(c.data(QTFindChildByID(c.h, inner, 'copy', 1, nullptr)), "tail");

    ASSERT_EQ(QTRemoveAtom(c.h, outer), noErr);
    EXPECT_EQ(c.bytes(), Cat({kContainerHeader,
                              AtomHeader(20 + 23, 'sean', 1, 1),
                              AtomHeader(23, 'last', 1, 0),
                              {'e', 'n', 'd'}}));
}

TEST(QTAtomContainer, CopiesDataToHandlesAndPointers) {
    Container c;
    const QTAtom atom = c.insert(kParentAtomIsContainer, 'qual', 1, std::string("\0\0\4\0", 4));
    Handle h = NewHandle(0);
    ASSERT_EQ(QTCopyAtomDataToHandle(c.h, atom, h), noErr);
    ASSERT_EQ(GetHandleSize(h), 4);
    EXPECT_EQ(std::memcmp(*h, "\x00\x00\x04\x00", 4), 0);
    DisposeHandle(h);
    // Into the container's own handle: the data is read before the handle changes.
    Handle self = c.h;
    EXPECT_EQ(QTCopyAtomDataToHandle(c.h, atom, self), noErr);
    EXPECT_EQ(GetHandleSize(self), 4);
    c.h = nullptr;
    DisposeHandle(self);

    Container d;
    const QTAtom small = d.insert(kParentAtomIsContainer, 'qual', 1, "abc");
    char buffer[8] = {};
    long actual = 0;
    EXPECT_EQ(QTCopyAtomDataToPtr(d.h, small, false, 3, buffer, &actual), noErr);
    EXPECT_EQ(actual, 3);
    EXPECT_EQ(std::string(buffer), "abc");
    EXPECT_EQ(QTCopyAtomDataToPtr(d.h, small, false, 8, buffer, &actual), paramErr);  // not exact
    EXPECT_EQ(QTCopyAtomDataToPtr(d.h, small, true, 8, buffer, &actual), noErr);
    EXPECT_EQ(QTCopyAtomDataToPtr(d.h, small, true, 2, buffer, &actual), paramErr);  // too small
}

TEST(QTAtomContainer, InsertsAnotherContainersChildrenOrNone) {
    Container settings;
    settings.insert(kParentAtomIsContainer, 'sptl', 1, "spatial");
    const QTAtom nested = settings.insert(kParentAtomIsContainer, 'tprl', 1);
    settings.insert(nested, 'rate', 1, "30");

    Container target;
    const QTAtom holder = target.insert(kParentAtomIsContainer, 'hold', 1);
    target.insert(holder, 'mine', 1, "m");
    ASSERT_EQ(QTInsertChildren(target.h, holder, settings.h), noErr);
    ASSERT_EQ(QTValidateAtomContainer(target.h), noErr);
    EXPECT_EQ(QTCountChildrenOfType(target.h, holder, 0), 3);
    const QTAtom tprl = QTFindChildByID(target.h, holder, 'tprl', 1, nullptr);
    EXPECT_EQ(target.data(QTFindChildByID(target.h, tprl, 'rate', 1, nullptr)), "30");

    const Bytes before = target.bytes();
    EXPECT_EQ(QTInsertChildren(target.h, holder, settings.h), duplicateAtomTypeAndIDErr);
    EXPECT_EQ(target.bytes(), before);
    // A container's children into one of its own atoms.
    ASSERT_EQ(QTInsertChildren(settings.h, nested, settings.h), noErr);
    EXPECT_EQ(QTValidateAtomContainer(settings.h), noErr);
    EXPECT_EQ(QTCountChildrenOfType(settings.h, nested, 0), 3);
}

Bytes SavedSettings() {
    Container c;
    const QTAtom sptl = c.insert(kParentAtomIsContainer, 'sptl', 1);
    c.insert(sptl, 'cdec', 1, "rle ");
    c.insert(sptl, 'qual', 1, std::string("\0\0\4\0", 4));
    const QTAtom tprl = c.insert(kParentAtomIsContainer, 'tprl', 1);
    c.insert(tprl, 'keyf', 1, std::string("\0\0\0\x50", 4));
    c.insert(kParentAtomIsContainer, 'drat', 1);
    return c.bytes();
}

TEST(QTAtomContainer, SavedBytesReadBackAndDamagedOnesAreRefused) {
    const Bytes good = SavedSettings();
    Container read(good);
    const QTAtom sptl = QTFindChildByID(read.h, 0, 'sptl', 1, nullptr);
    EXPECT_EQ(read.data(QTFindChildByID(read.h, sptl, 'cdec', 1, nullptr)), "rle ");
    const QTAtom tprl = QTFindChildByIndex(read.h, 0, 'tprl', 1, nullptr);
    EXPECT_EQ(read.data(QTFindChildByID(read.h, tprl, 'keyf', 1, nullptr)),
              std::string("\0\0\0\x50", 4));
    EXPECT_EQ(read.data(QTFindChildByID(read.h, 0, 'drat', 1, nullptr)), "");

    auto refused = [](Bytes bytes) {
        Container c(bytes);
        const bool bad = QTValidateAtomContainer(c.h) == invalidAtomContainerErr;
        // Every call on the damaged container fails without touching it.
        if (bad) {
            EXPECT_EQ(QTCountChildrenOfType(c.h, 0, 0), 0);
            EXPECT_EQ(QTFindChildByIndex(c.h, 0, 'sptl', 1, nullptr), 0);
            EXPECT_EQ(QTInsertChild(c.h, 0, 'new ', 1, 0, 0, nullptr, nullptr),
                      invalidAtomContainerErr);
            EXPECT_EQ(c.bytes(), bytes);
        }
        return bad;
    };
    EXPECT_FALSE(refused(good));
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + n))) << n;
    }
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_TRUE(refused(longer));

    auto with = [&](size_t at, std::initializer_list<UInt8> values) {
        Bytes b = good;
        std::copy(values.begin(), values.end(), b.begin() + at);
        return b;
    };
    EXPECT_TRUE(refused(with(16, {'m', 'o', 'o', 'v'})));    // root not 'sean'
    EXPECT_TRUE(refused(with(32 + 3, {0xFF})));              // child larger than its parent
    EXPECT_TRUE(refused(with(32 + 3, {19})));                // child smaller than a header
    EXPECT_TRUE(refused(with(32 + 15, {3})));                // claims 3 children, holds 2
    EXPECT_TRUE(refused(with(32 + 15, {1})));                // claims 1 child, holds 2
    EXPECT_TRUE(refused(with(12 + 15, {0})));                // root without children but bytes
    EXPECT_FALSE(refused(with(32 + 20 + 8, {0, 0, 0, 2})));  // 'cdec' 2 beside 'qual' 1: fine
    EXPECT_TRUE(refused(with(32 + 20 + 24 + 4, {'c', 'd', 'e', 'c'})));  // a second 'cdec' 1

    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        Bytes b = good;
        b[rng() % b.size()] = UInt8(rng());
        refused(b);  // either reads as a tree or is refused everywhere
    }
    EXPECT_EQ(QTValidateAtomContainer(nullptr), nilHandleErr);
}

}  // namespace
