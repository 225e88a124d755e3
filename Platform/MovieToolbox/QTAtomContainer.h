// QT atom containers: trees of typed, numbered atoms kept in one handle in
// the layout QuickTime stores them in, so a container saved as bytes reads
// back as the same tree.  The standard compression components keep their
// settings in them.
//
// Layout (numbers big-endian):
//   container header  10 bytes reserved (0), 2 bytes lock count (0)
//   root atom         type 'sean', ID 1
//   each atom         size (4, header and contents), type (4), ID (4),
//                     reserved (2), child count (2), reserved (4); then
//                     either its children (child count > 0) or its data.
// Among the children of one atom, each (type, ID) pair occurs once.
//
// A QTAtom is the offset of an atom in the container; kParentAtomIsContainer
// stands for the root.  Any change to a container may move the atoms after
// the changed one, so find atoms again after changing it.
//
// Every call checks the whole container first, so a handle holding bytes from
// elsewhere is safe to pass: damage gives invalidAtomContainerErr (and the
// calls that return an atom or a count return 0), never a read outside the
// handle.
#pragma once

#include "Base/MacErrors.h"
#include "Base/MacMemory.h"
#include "Base/MacTypes.h"

typedef Handle QTAtomContainer;
typedef SInt32 QTAtom;
typedef SInt32 QTAtomType;
typedef SInt32 QTAtomID;

enum : QTAtom { kParentAtomIsContainer = 0 };

// A new container holding only the root atom.
OSErr QTNewAtomContainer(QTAtomContainer* atomData);
OSErr QTDisposeAtomContainer(QTAtomContainer atomData);

// Checks a container's bytes (for example read from a file): noErr, or
// invalidAtomContainerErr when its atoms do not fit each other and the handle
// exactly, its root is not 'sean' with ID 1, an atom has more than 32767
// children (the host's indexes are 16-bit signed) or two children of one atom
// share a type and ID; nilHandleErr for a null handle.  Not a host call: the other calls
// make the same check themselves.
OSErr QTValidateAtomContainer(QTAtomContainer container);

// Inserts a child of parentAtom.  id 0 asks for an unused ID (the smallest
// free one for that type).  index is the new atom's place among the children
// of the same type, from 1; 0 puts it after them.  data may be null, in which
// case the atom gets dataSize zero bytes.  Errors: invalidAtomErr (no such
// parent, or the parent holds data), invalidAtomTypeErr (type 0),
// duplicateAtomTypeAndIDErr, atomIndexInvalidErr, paramErr (negative size,
// or no room for another child or byte).
OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    short index, long dataSize, void* data, QTAtom* newAtom);
// Inserts copies of all children of childrenContainer's root after the
// children of parentAtom.  Nothing is inserted when one of them has the type
// and ID of a child already there (duplicateAtomTypeAndIDErr).
OSErr QTInsertChildren(QTAtomContainer container, QTAtom parentAtom,
                       QTAtomContainer childrenContainer);

// The index-th (from 1) child of that type, or 0.  atomType 0 counts children
// of any type.  id, when not null, receives the child's ID.
QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                          short index, QTAtomID* id);
// The child with that type and ID, or 0.  index, when not null, receives its
// place among the children of that type (from 1).
QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                       QTAtomID id, short* index);
// The number of children of that type (of any type for 0).
short QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom, QTAtomType childType);
// The type, in order of first appearance among the children, that follows
// currentChildType (the first type for 0); 0 when there is none.
QTAtomType QTGetNextChildType(QTAtomContainer container, QTAtom parentAtom,
                              QTAtomType currentChildType);
OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType,
                         QTAtomID* id);

// The data of a leaf atom, in place: valid until the container changes.
// notLeafAtomErr for an atom with children, invalidAtomErr for the root or
// an offset that is not an atom.
OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData);
// Resizes targetHandle to the atom's data and copies it there.
OSErr QTCopyAtomDataToHandle(QTAtomContainer container, QTAtom atom, Handle targetHandle);
// Copies the atom's data to targetPtr, which holds size bytes.  The data must
// be exactly size bytes, or at most size bytes when sizeOrLessOK is true
// (paramErr otherwise).  actualSize, when not null, receives the bytes copied.
OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, Boolean sizeOrLessOK, long size,
                          void* targetPtr, long* actualSize);
// Replaces the data of a leaf atom (data may be null: zero bytes).
OSErr QTSetAtomData(QTAtomContainer container, QTAtom atom, long dataSize, void* atomData);
// Removes an atom with all its children.
OSErr QTRemoveAtom(QTAtomContainer container, QTAtom atom);
