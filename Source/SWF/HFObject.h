// High-level scene objects: something that turns itself into definition and
// placement tags when added to a frame of an HFMovie, and the simple
// actions a frame or a button runs.
//
// Coordinates and sizes are twips (1/20 pixel).  Colours are FRGBA values
// (red in the lowest byte, alpha in the highest).
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "SWF/FMatrix.h"
#include "SWF/FObj.h"

class FActionCondition;
class FActionRecord;
class FCTDoAction;
class HFMovie;

class HFObject {
  public:
    virtual ~HFObject();

    // Appends this object's tags to a frame's list: its definitions the
    // first time it is added to a movie, then its placement.
    virtual void AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) = 0;
    // Appends the removal of this object's current placement.
    virtual void RemoveFromFrame(std::list<FObj*>* objects, HFMovie* movie);
    virtual bool HasMatrix() { return false; }
    // The placement matrix (when HasMatrix()); the caller owns it.
    virtual FMatrix* CreateMatrix() { return nullptr; }

    // The character ID of the definition in the movie it was last added to
    // (0 before that).
    uint16_t CharacterID() const { return m_characterID; }

  protected:
    HFObject();

    // True the first time this object is added to `movie` (since its last
    // WriteMovie); the definitions are appended then.
    bool NeedsDefinition(HFMovie* movie);
    // Whether the definitions are in `movie` already.
    bool IsDefinedIn(const HFMovie* movie) const;
    void SetCharacterID(uint16_t id) { m_characterID = id; }
    // Appends a PlaceObject2 of this object's character (depth given when
    // the movie is written) and records the placement.
    void AddPlaceObject2(std::list<FObj*>* objects, HFMovie* movie);

  private:
    uint16_t m_characterID = 0;
    uint64_t m_definedIn = 0;  // generation of the movie holding the definitions
};

// An action for a frame (a DoAction of its own) or a button condition.
class HFAction {
  public:
    virtual ~HFAction() = default;
    virtual void AddToAction(FCTDoAction* doAction);
    virtual void AddToActionCondition(FActionCondition* condition);

  protected:
    // The record this action stands for; the caller owns it.
    virtual FActionRecord* CreateRecord() = 0;
};

// Opens a URL, in the given window or frame (empty: this one).
class HFActionGetURL : public HFAction {
  public:
    explicit HFActionGetURL(const char* url, const char* target = nullptr);

  protected:
    FActionRecord* CreateRecord() override;

  private:
    std::string m_url;
    std::string m_target;
};

// Goes to a frame (0-based, as HFMovie::Frame numbers them).
class HFActionGoToFrame : public HFAction {
  public:
    explicit HFActionGoToFrame(uint16_t frame) : m_frame(frame) {}

  protected:
    FActionRecord* CreateRecord() override;

  private:
    uint16_t m_frame;
};

class HFActionPlay : public HFAction {
  protected:
    FActionRecord* CreateRecord() override;
};

class HFActionStop : public HFAction {
  protected:
    FActionRecord* CreateRecord() override;
};

// Shows a message in the player's trace output (for diagnostics).
class HFActionTrace : public HFAction {
  public:
    explicit HFActionTrace(const char* message) : m_message(message != nullptr ? message : "") {}

  protected:
    FActionRecord* CreateRecord() override;

  private:
    std::string m_message;
};
