// Merging a finished movie with a player-controller movie: the stage grows
// by the controller's height, frame 1 gets the variables "width", "height",
// "fps" and "styleWrapper" and then the controller's tags (without its
// frames and file attributes).
#pragma once

#include "Portability/CString.h"
#include "SWFPost/SWFParse.h"

// What the merge callbacks share during one merge.
struct SWFMergeContext {
    int controllerHeight;        // pixels added below the movie
    SWFParse::SWFHeader header;  // the output header, as ModHeader left it
    CString controllerPath;
    int styleWrapper;  // 0 or 6
};

// Writes the merge of moviePath and controllerPath to outPath, the stage
// taller by controllerHeight pixels.  "styleWrapper" is 0 with
// noStyleWrapper, else 6.  The result of the injection: false for a missing,
// damaged or non-SWF movie, an output that cannot be written, or a negative
// controller height.  A missing or damaged controller only loses (some of)
// its tags.
bool ArcMergeSWFs(const CString& controllerPath, const CString& moviePath, const CString& outPath,
                  int controllerHeight, bool noStyleWrapper);

// Header callback: version 8, stage taller by the controller height (throws
// CFileException when that stage cannot be stored), header kept in the
// context.
void ModHeader(SWFParse::SWFHeader& header, void* context);
// Injector: in frame 1, the four variables, then the controller's tags.
void AddCodeToFrame(SWFParse::ISWFIterator& out, int frameNumber, void* context);
// Controller tag callback: copies every tag but End, ShowFrame and
// FileAttributes to the output iterator whose address `out` holds.  A tag
// that cannot be copied whole throws an exception of the merge's own, which
// passes through the controller walk and makes AddCodeToFrame fail.
void AddControllerTags(SWFParse::ISWFIterator& controller, int code, int length,
                       unsigned long long out);
