// A movie made of numbered frames into which high-level objects, actions
// and a background colour are added; written as an SWF file of version 6.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "SWF/FColor.h"
#include "SWF/FObj.h"

class FCTPlaceObject2;
class FCTRemoveObject2;
class HFAction;
class HFMovie;
class HFObject;

// One frame: the tags added to it, in order.  Owns them until the movie is
// written.
class HFFrame {
  public:
    explicit HFFrame(HFMovie* movie);
    ~HFFrame();
    HFFrame(const HFFrame&) = delete;
    HFFrame& operator=(const HFFrame&) = delete;

    void AddObject(HFObject* object);
    void RemoveObject(HFObject* object);
    // A DoAction holding the action's record.
    void AddAction(HFAction* action);
    // The movie's background colour (red, green and blue of the value).
    void SetBackgoundColor(FRGBA color);

    std::list<FObj*>* Objects() { return &m_objects; }
    // Gives the tags away (to the movie being written).
    std::list<FObj*> TakeObjects();

  private:
    HFMovie* m_movie;
    std::list<FObj*> m_objects;
};

// A placement or a removal waiting for its depth.
struct AddRemoveEvent {
    uint32_t frame;
    uint64_t sequence;  // order of recording, within and across frames
    const HFObject* object;
    FCTPlaceObject2* place;    // set for a placement
    FCTRemoveObject2* remove;  // set for a removal
};

class HFMovie {
  public:
    static constexpr uint32_t kMaxFrames = 0xFFFF;

    HFMovie();
    ~HFMovie();
    HFMovie(const HFMovie&) = delete;
    HFMovie& operator=(const HFMovie&) = delete;

    // Frame n (from 0), creating the frames up to it.  Throws
    // std::length_error past the 65535 frames a movie can hold.
    HFFrame* Frame(uint32_t n);
    uint32_t FrameCount() const { return static_cast<uint32_t>(m_frames.size()); }

    // Frames per second (1..255), default 12.
    void SetFrameRate(uint32_t rate);
    uint32_t FrameRate() const { return m_frameRate; }
    // Stage size in twips, default 11000 x 8000 (550 x 400 pixels).
    void SetSize(int32_t width, int32_t height);
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // Gives every placement a depth (counting up in the order of the frames
    // and, within a frame, of adding; a removal takes the depth of the
    // object's oldest placement still on stage), writes the movie and
    // empties it.  Returns false when the file cannot be written.  Throws
    // std::logic_error when an object is removed without being on stage or
    // placed in a frame before the frame holding its definition, and
    // std::length_error past 65535 placements.
    bool WriteMovie(const char* path);

    // Identifies this movie's content until the next WriteMovie.
    uint64_t Generation() const { return m_generation; }
    // Records a placement or removal made into `objects` (a frame's list).
    void RecordAdd(std::list<FObj*>* objects, const HFObject* object, FCTPlaceObject2* place);
    void RecordRemove(std::list<FObj*>* objects, const HFObject* object, FCTRemoveObject2* remove);

  private:
    uint32_t FrameOf(const std::list<FObj*>* objects) const;
    void AssignDepths();
    void Clear();

    std::vector<std::unique_ptr<HFFrame>> m_frames;
    std::map<const std::list<FObj*>*, uint32_t> m_frameOfList;
    uint32_t m_frameRate = 12;
    int32_t m_width = 11000;
    int32_t m_height = 8000;
    std::map<uint32_t, std::list<AddRemoveEvent>> m_events;
    uint64_t m_sequence = 0;
    uint64_t m_generation;
};
