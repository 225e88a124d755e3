#include "MovieToolbox/QTAtomContainer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>
#include <vector>

namespace {

constexpr long kContainerHeaderSize = 12;
constexpr long kAtomHeaderSize = 20;
constexpr long kRootOffset = kContainerHeaderSize;
constexpr QTAtomType kRootType = 'sean';
constexpr QTAtomID kRootID = 1;
constexpr long kChildCountOffset = 14;
constexpr int kMaxChildren = std::numeric_limits<short>::max();
constexpr long kMaxContainerSize = std::numeric_limits<QTAtom>::max();

UInt32 GetBE32(const UInt8* p) {
    return (UInt32{p[0]} << 24) | (UInt32{p[1]} << 16) | (UInt32{p[2]} << 8) | p[3];
}

void PutBE32(UInt8* p, UInt32 v) {
    p[0] = static_cast<UInt8>(v >> 24);
    p[1] = static_cast<UInt8>(v >> 16);
    p[2] = static_cast<UInt8>(v >> 8);
    p[3] = static_cast<UInt8>(v);
}

void PutBE16(UInt8* p, UInt16 v) {
    p[0] = static_cast<UInt8>(v >> 8);
    p[1] = static_cast<UInt8>(v);
}

UInt8* Bytes(QTAtomContainer container) {
    return reinterpret_cast<UInt8*>(*container);
}

void PutAtomHeader(UInt8* p, long size, QTAtomType type, QTAtomID id, int childCount) {
    std::memset(p, 0, kAtomHeaderSize);
    PutBE32(p, static_cast<UInt32>(size));
    PutBE32(p + 4, static_cast<UInt32>(type));
    PutBE32(p + 8, static_cast<UInt32>(id));
    PutBE16(p + kChildCountOffset, static_cast<UInt16>(childCount));
}

struct AtomNode {
    long offset;
    long size;
    QTAtomType type;
    QTAtomID id;
    int childCount;
    int parent;      // index of the parent node, -1 for the root
    int subtreeEnd;  // index after the node's last descendant

    long dataOffset() const { return offset + kAtomHeaderSize; }
    long dataSize() const { return size - kAtomHeaderSize; }
    long end() const { return offset + size; }
    bool holdsData() const { return childCount == 0 && size > kAtomHeaderSize; }
};

// The atoms of a container in file order (the root first), after checking
// that they nest exactly inside each other and the handle.
class AtomTree {
  public:
    OSErr parse(QTAtomContainer container);

    const AtomNode& node(int i) const { return m_nodes[static_cast<size_t>(i)]; }
    // The node of an atom offset (kParentAtomIsContainer: the root), or -1.
    int find(QTAtom atom) const;

    // Calls f(child index) for each child of `parent` until f returns false.
    template <typename F>
    void forEachChild(int parent, F f) const {
        for (int i = parent + 1; i < node(parent).subtreeEnd; i = node(i).subtreeEnd) {
            if (!f(i)) {
                return;
            }
        }
    }

  private:
    bool readChildren(const UInt8* bytes);
    bool siblingsUnique() const;

    std::vector<AtomNode> m_nodes;
};

OSErr AtomTree::parse(QTAtomContainer container) {
    m_nodes.clear();
    if (container == nullptr) {
        return nilHandleErr;
    }
    const long size = GetHandleSize(container);
    if (size < kRootOffset + kAtomHeaderSize || size > kMaxContainerSize) {
        return invalidAtomContainerErr;
    }
    const UInt8* bytes = Bytes(container);
    const UInt8* root = bytes + kRootOffset;
    const AtomNode rootNode{kRootOffset,
                            static_cast<long>(GetBE32(root)),
                            static_cast<QTAtomType>(GetBE32(root + 4)),
                            static_cast<QTAtomID>(GetBE32(root + 8)),
                            (root[kChildCountOffset] << 8) | root[kChildCountOffset + 1],
                            -1,
                            1};
    if (rootNode.end() != size || rootNode.type != kRootType || rootNode.id != kRootID ||
        rootNode.holdsData() || rootNode.childCount > kMaxChildren) {
        return invalidAtomContainerErr;
    }
    m_nodes.push_back(rootNode);
    if (!readChildren(bytes) || !siblingsUnique()) {
        m_nodes.clear();
        return invalidAtomContainerErr;
    }
    return noErr;
}

// Walks the tree without recursion: one frame per open parent, each bounded
// by its parent's extent, so sizes and counts never reach past the handle.
bool AtomTree::readChildren(const UInt8* bytes) {
    struct Frame {
        int node;
        long cursor;
        int remaining;
    };
    std::vector<Frame> open;
    if (m_nodes[0].childCount > 0) {
        open.push_back({0, m_nodes[0].dataOffset(), m_nodes[0].childCount});
    }
    while (!open.empty()) {
        const Frame frame = open.back();
        const long end = node(frame.node).end();
        if (frame.remaining == 0) {
            if (frame.cursor != end) {
                return false;  // bytes left over after the last child
            }
            m_nodes[static_cast<size_t>(frame.node)].subtreeEnd = static_cast<int>(m_nodes.size());
            open.pop_back();
            continue;
        }
        if (end - frame.cursor < kAtomHeaderSize) {
            return false;
        }
        const UInt8* p = bytes + frame.cursor;
        const long size = GetBE32(p);
        if (size < kAtomHeaderSize || size > end - frame.cursor) {
            return false;
        }
        const int index = static_cast<int>(m_nodes.size());
        const int childCount = (p[kChildCountOffset] << 8) | p[kChildCountOffset + 1];
        if (childCount > kMaxChildren) {
            return false;
        }
        m_nodes.push_back({frame.cursor, size, static_cast<QTAtomType>(GetBE32(p + 4)),
                           static_cast<QTAtomID>(GetBE32(p + 8)), childCount, frame.node,
                           index + 1});
        open.back().cursor += size;
        open.back().remaining -= 1;
        if (childCount > 0) {
            open.push_back({index, frame.cursor + kAtomHeaderSize, childCount});
        }
    }
    return true;
}

bool AtomTree::siblingsUnique() const {
    std::vector<std::tuple<int, QTAtomType, QTAtomID>> keys;
    keys.reserve(m_nodes.size());
    for (const AtomNode& n : m_nodes) {
        keys.emplace_back(n.parent, n.type, n.id);
    }
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

int AtomTree::find(QTAtom atom) const {
    const long offset = atom == kParentAtomIsContainer ? kRootOffset : atom;
    auto it = std::lower_bound(m_nodes.begin(), m_nodes.end(), offset,
                               [](const AtomNode& n, long o) { return n.offset < o; });
    if (it == m_nodes.end() || it->offset != offset) {
        return -1;
    }
    return static_cast<int>(it - m_nodes.begin());
}

// Parses the container and finds an atom in it.
OSErr Locate(QTAtomContainer container, QTAtom atom, AtomTree* tree, int* node) {
    if (OSErr err = tree->parse(container); err != noErr) {
        return err;
    }
    *node = tree->find(atom);
    if (*node < 0) {
        return invalidAtomErr;
    }
    return noErr;
}

// Finds a leaf atom other than the root.
OSErr LocateLeaf(QTAtomContainer container, QTAtom atom, AtomTree* tree, int* node) {
    if (OSErr err = Locate(container, atom, tree, node); err != noErr) {
        return err;
    }
    if (*node == 0) {
        return invalidAtomErr;
    }
    if (tree->node(*node).childCount > 0) {
        return notLeafAtomErr;
    }
    return noErr;
}

// Copies bytes that may lie inside a handle about to move.
OSErr CopyBytes(const void* data, long size, std::vector<UInt8>* out) {
    try {
        const auto* p = static_cast<const UInt8*>(data);
        if (p != nullptr) {
            out->assign(p, p + size);
        } else {
            out->assign(static_cast<size_t>(size), 0);
        }
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return noErr;
}

// Replaces removeCount bytes at `at` by insertCount bytes (zeros when
// `insert` is null), and adds the difference to the size of `node` and of
// each atom above it.
OSErr Splice(QTAtomContainer container, const AtomTree& tree, int node, long at, long removeCount,
             const void* insert, long insertCount) {
    const long oldSize = GetHandleSize(container);
    const long delta = insertCount - removeCount;
    if (insertCount < 0 || delta > kMaxContainerSize - oldSize) {
        return paramErr;
    }
    std::vector<UInt8> inserted;
    if (OSErr err = CopyBytes(insert, insertCount, &inserted); err != noErr) {
        return err;
    }
    const long tail = oldSize - at - removeCount;
    if (delta > 0) {
        SetHandleSize(container, oldSize + delta);
        if (OSErr err = MemError(); err != noErr) {
            return err;
        }
    }
    UInt8* bytes = Bytes(container);
    std::memmove(bytes + at + insertCount, bytes + at + removeCount, static_cast<size_t>(tail));
    std::copy(inserted.begin(), inserted.end(), bytes + at);
    if (delta < 0) {
        SetHandleSize(container, oldSize + delta);
        bytes = Bytes(container);
    }
    for (int i = node; i >= 0; i = tree.node(i).parent) {
        PutBE32(bytes + tree.node(i).offset, static_cast<UInt32>(tree.node(i).size + delta));
    }
    return noErr;
}

void SetChildCount(QTAtomContainer container, const AtomNode& node, int childCount) {
    PutBE16(Bytes(container) + node.offset + kChildCountOffset, static_cast<UInt16>(childCount));
}

// Children of `parent` of one type (any type for 0), in order.
std::vector<int> ChildrenOfType(const AtomTree& tree, int parent, QTAtomType type) {
    std::vector<int> found;
    tree.forEachChild(parent, [&](int i) {
        if (type == 0 || tree.node(i).type == type) {
            found.push_back(i);
        }
        return true;
    });
    return found;
}

QTAtomID UnusedID(const AtomTree& tree, const std::vector<int>& sameType) {
    std::vector<QTAtomID> ids;
    for (int i : sameType) {
        ids.push_back(tree.node(i).id);
    }
    std::sort(ids.begin(), ids.end());
    QTAtomID candidate = 1;
    for (QTAtomID id : ids) {
        if (id == candidate) {
            ++candidate;
        } else if (id > candidate) {
            break;
        }
    }
    return candidate;
}

// Where a new child of that type goes: before the index-th child of the type,
// or after the last one (at the end of the parent when there is none).
OSErr InsertionOffset(const AtomTree& tree, int parent, const std::vector<int>& sameType,
                      short index, long* offset) {
    const auto count = static_cast<int>(sameType.size());
    if (index < 0 || index > count + 1) {
        return atomIndexInvalidErr;
    }
    if (index >= 1 && index <= count) {
        *offset = tree.node(sameType[static_cast<size_t>(index - 1)]).offset;
    } else if (count > 0) {
        *offset = tree.node(sameType.back()).end();
    } else {
        *offset = tree.node(parent).end();
    }
    return noErr;
}

// Checks that `parent` can take `added` more children.
OSErr CheckCanAddChildren(const AtomNode& parent, int added) {
    if (parent.holdsData()) {
        return invalidAtomErr;
    }
    return parent.childCount + added > kMaxChildren ? paramErr : noErr;
}

}  // namespace

OSErr QTNewAtomContainer(QTAtomContainer* atomData) {
    if (atomData == nullptr) {
        return paramErr;
    }
    Handle h = NewHandleClear(kRootOffset + kAtomHeaderSize);
    if (h == nullptr) {
        return MemError();
    }
    PutAtomHeader(Bytes(h) + kRootOffset, kAtomHeaderSize, kRootType, kRootID, 0);
    *atomData = h;
    return noErr;
}

OSErr QTDisposeAtomContainer(QTAtomContainer atomData) {
    if (atomData == nullptr) {
        return nilHandleErr;
    }
    DisposeHandle(atomData);
    return noErr;
}

OSErr QTValidateAtomContainer(QTAtomContainer container) {
    AtomTree tree;
    return tree.parse(container);
}

OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    short index, long dataSize, void* data, QTAtom* newAtom) {
    AtomTree tree;
    int parent;
    if (OSErr err = Locate(container, parentAtom, &tree, &parent); err != noErr) {
        return err;
    }
    if (atomType == 0) {
        return invalidAtomTypeErr;
    }
    if (dataSize < 0 || dataSize > kMaxContainerSize - kAtomHeaderSize - GetHandleSize(container)) {
        return paramErr;
    }
    if (OSErr err = CheckCanAddChildren(tree.node(parent), 1); err != noErr) {
        return err;
    }
    const std::vector<int> sameType = ChildrenOfType(tree, parent, atomType);
    if (id == 0) {
        id = UnusedID(tree, sameType);
    } else if (std::any_of(sameType.begin(), sameType.end(),
                           [&](int i) { return tree.node(i).id == id; })) {
        return duplicateAtomTypeAndIDErr;
    }
    long at;
    if (OSErr err = InsertionOffset(tree, parent, sameType, index, &at); err != noErr) {
        return err;
    }
    std::vector<UInt8> atom;
    if (OSErr err = CopyBytes(nullptr, kAtomHeaderSize + dataSize, &atom); err != noErr) {
        return err;
    }
    PutAtomHeader(atom.data(), kAtomHeaderSize + dataSize, atomType, id, 0);
    if (data != nullptr && dataSize > 0) {
        std::memcpy(atom.data() + kAtomHeaderSize, data, static_cast<size_t>(dataSize));
    }
    if (OSErr err = Splice(container, tree, parent, at, 0, atom.data(), kAtomHeaderSize + dataSize);
        err != noErr) {
        return err;
    }
    SetChildCount(container, tree.node(parent), tree.node(parent).childCount + 1);
    if (newAtom != nullptr) {
        *newAtom = static_cast<QTAtom>(at);
    }
    return noErr;
}

OSErr QTInsertChildren(QTAtomContainer container, QTAtom parentAtom,
                       QTAtomContainer childrenContainer) {
    AtomTree source;
    if (OSErr err = source.parse(childrenContainer); err != noErr) {
        return err;
    }
    AtomTree tree;
    int parent;
    if (OSErr err = Locate(container, parentAtom, &tree, &parent); err != noErr) {
        return err;
    }
    const AtomNode& sourceRoot = source.node(0);
    if (OSErr err = CheckCanAddChildren(tree.node(parent), sourceRoot.childCount); err != noErr) {
        return err;
    }
    OSErr clash = noErr;
    source.forEachChild(0, [&](int s) {
        tree.forEachChild(parent, [&](int i) {
            if (tree.node(i).type == source.node(s).type && tree.node(i).id == source.node(s).id) {
                clash = duplicateAtomTypeAndIDErr;
            }
            return clash == noErr;
        });
        return clash == noErr;
    });
    if (clash != noErr) {
        return clash;
    }
    // Copied first: the two handles may be the same one.
    const UInt8* from = Bytes(childrenContainer) + sourceRoot.dataOffset();
    const std::vector<UInt8> children(from, from + sourceRoot.dataSize());
    const AtomNode target = tree.node(parent);
    if (OSErr err = Splice(container, tree, parent, target.end(), 0, children.data(),
                           static_cast<long>(children.size()));
        err != noErr) {
        return err;
    }
    SetChildCount(container, target, target.childCount + sourceRoot.childCount);
    return noErr;
}

QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                          short index, QTAtomID* id) {
    AtomTree tree;
    int parent;
    if (Locate(container, parentAtom, &tree, &parent) != noErr || index < 1) {
        return 0;
    }
    const std::vector<int> found = ChildrenOfType(tree, parent, atomType);
    if (static_cast<size_t>(index) > found.size()) {
        return 0;
    }
    const AtomNode& child = tree.node(found[static_cast<size_t>(index - 1)]);
    if (id != nullptr) {
        *id = child.id;
    }
    return static_cast<QTAtom>(child.offset);
}

QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                       QTAtomID id, short* index) {
    AtomTree tree;
    int parent;
    if (Locate(container, parentAtom, &tree, &parent) != noErr) {
        return 0;
    }
    const std::vector<int> found = ChildrenOfType(tree, parent, atomType);
    for (size_t k = 0; k < found.size(); ++k) {
        if (tree.node(found[k]).id == id) {
            if (index != nullptr) {
                *index = static_cast<short>(k + 1);
            }
            return static_cast<QTAtom>(tree.node(found[k]).offset);
        }
    }
    return 0;
}

short QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom, QTAtomType childType) {
    AtomTree tree;
    int parent;
    if (Locate(container, parentAtom, &tree, &parent) != noErr) {
        return 0;
    }
    return static_cast<short>(ChildrenOfType(tree, parent, childType).size());
}

QTAtomType QTGetNextChildType(QTAtomContainer container, QTAtom parentAtom,
                              QTAtomType currentChildType) {
    AtomTree tree;
    int parent;
    if (Locate(container, parentAtom, &tree, &parent) != noErr) {
        return 0;
    }
    std::vector<QTAtomType> types;
    tree.forEachChild(parent, [&](int i) {
        if (std::find(types.begin(), types.end(), tree.node(i).type) == types.end()) {
            types.push_back(tree.node(i).type);
        }
        return true;
    });
    if (currentChildType == 0) {
        return types.empty() ? 0 : types.front();
    }
    auto it = std::find(types.begin(), types.end(), currentChildType);
    return (it == types.end() || it + 1 == types.end()) ? 0 : *(it + 1);
}

OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType,
                         QTAtomID* id) {
    AtomTree tree;
    int node;
    if (OSErr err = Locate(container, atom, &tree, &node); err != noErr) {
        return err;
    }
    if (atomType != nullptr) {
        *atomType = tree.node(node).type;
    }
    if (id != nullptr) {
        *id = tree.node(node).id;
    }
    return noErr;
}

OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData) {
    AtomTree tree;
    int node;
    if (OSErr err = LocateLeaf(container, atom, &tree, &node); err != noErr) {
        return err;
    }
    if (dataSize != nullptr) {
        *dataSize = tree.node(node).dataSize();
    }
    if (atomData != nullptr) {
        *atomData = *container + tree.node(node).dataOffset();
    }
    return noErr;
}

OSErr QTCopyAtomDataToHandle(QTAtomContainer container, QTAtom atom, Handle targetHandle) {
    if (targetHandle == nullptr) {
        return nilHandleErr;
    }
    long size;
    Ptr data;
    if (OSErr err = QTGetAtomDataPtr(container, atom, &size, &data); err != noErr) {
        return err;
    }
    std::vector<UInt8> copy;  // the target may be the container itself
    if (OSErr err = CopyBytes(data, size, &copy); err != noErr) {
        return err;
    }
    SetHandleSize(targetHandle, size);
    if (OSErr err = MemError(); err != noErr) {
        return err;
    }
    std::copy(copy.begin(), copy.end(), *targetHandle);
    return noErr;
}

OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, Boolean sizeOrLessOK, long size,
                          void* targetPtr, long* actualSize) {
    long dataSize;
    Ptr data;
    if (OSErr err = QTGetAtomDataPtr(container, atom, &dataSize, &data); err != noErr) {
        return err;
    }
    if (dataSize > size || (dataSize < size && !sizeOrLessOK) ||
        (targetPtr == nullptr && dataSize > 0)) {
        return paramErr;
    }
    if (dataSize > 0) {
        std::memcpy(targetPtr, data, static_cast<size_t>(dataSize));
    }
    if (actualSize != nullptr) {
        *actualSize = dataSize;
    }
    return noErr;
}

OSErr QTSetAtomData(QTAtomContainer container, QTAtom atom, long dataSize, void* atomData) {
    AtomTree tree;
    int node;
    if (OSErr err = LocateLeaf(container, atom, &tree, &node); err != noErr) {
        return err;
    }
    if (dataSize < 0) {
        return paramErr;
    }
    const AtomNode& n = tree.node(node);
    return Splice(container, tree, node, n.dataOffset(), n.dataSize(), atomData, dataSize);
}

OSErr QTRemoveAtom(QTAtomContainer container, QTAtom atom) {
    AtomTree tree;
    int node;
    if (OSErr err = Locate(container, atom, &tree, &node); err != noErr) {
        return err;
    }
    if (node == 0) {
        return invalidAtomErr;
    }
    const AtomNode& n = tree.node(node);
    const AtomNode& parent = tree.node(n.parent);
    if (OSErr err = Splice(container, tree, n.parent, n.offset, n.size, nullptr, 0); err != noErr) {
        return err;
    }
    SetChildCount(container, parent, parent.childCount - 1);
    return noErr;
}
