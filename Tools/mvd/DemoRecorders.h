// The paths through which the demo records its session.  Each recorder is
// handed every frame of the scene as it is drawn; what it writes is read
// back afterwards for the demo's table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DemoScene.h"

namespace mvd {

class DemoRecorder {
  public:
    virtual ~DemoRecorder() = default;
    // The file written, inside the demo's folder.
    virtual std::string fileName() const = 0;
    // A command line that shows the file; %s stands for its path.
    virtual std::string viewHint() const = 0;
    virtual void begin(const mvddemo::DemoScene& scene, const std::string& path) = 0;
    virtual void frame(const mvddemo::DemoScene& scene) = 0;
    virtual void end() = 0;
};

// The capture file, through MVRCWriter with Delta RLE, the cursor sprite
// sent once and then only moved.
std::unique_ptr<DemoRecorder> MakeCaptureRecorder();
// The movie written live with its recovery file: the screen in the screen
// codec, the cursor as a layer of its own in the Animation codec (alpha
// kept), the tone as 16-bit sound and the captions as chapters.
std::unique_ptr<DemoRecorder> MakeLiveMovieRecorder();
// The capture file at capturePath, converted into a movie once the capture
// recorder has finished it (add this recorder after that one).
std::unique_ptr<DemoRecorder> MakeConvertedMovieRecorder(const std::string& capturePath);
// Capture frame records as the samples of a movie ('MVRC'), with sound.
std::unique_ptr<DemoRecorder> MakeCaptureMovieRecorder();
// The SWF export with ADPCM sound and the cursor drawn into the frames,
// merged with the player controller.
std::unique_ptr<DemoRecorder> MakeSwfRecorder();

}  // namespace mvd
