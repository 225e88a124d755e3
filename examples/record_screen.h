// Recording a screen with the library: to a capture file, then converted
// into a movie, and straight into a movie with its recovery file.
#pragma once

#include <string>

#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "Codec/MVDKCodecComponent.h"
#include "QuickTime/QTWriter.h"

// Stands in for the screen: paints one band of `screen` and says where.
inline CGRect PaintBand(MVDImage& screen, int frame) {
    const uint32_t y = uint32_t(frame * 8) % screen.m_height;
    for (uint32_t x = 0; x < screen.m_width; ++x) {
        unsigned char* pixel = screen.m_pData + (size_t(y) * screen.m_width + x) * 4;
        pixel[0] = pixel[1] = pixel[2] = static_cast<unsigned char>(frame * 40);
        pixel[3] = 255;
    }
    return CGRectMake(0, float(y), float(screen.m_width), 1);
}

inline void RecordCaptureFile(const std::string& path, int frames) {
    tagMVDImageFormat format{640, 480, kMVDPixelFormat32BGRA, 4};
    MVDImage screen(&format);
    MVRCWriter writer;
    writer.openFile(path);
    writer.writeHeader(&format);
    for (int frame = 0; frame < frames; ++frame) {
        CGRect changed = PaintBand(screen, frame);          // only what changed is stored
        writer.writeFrame(1, 10.0f, &screen, 1, &changed);  // 1/10 s each
    }
    writer.closeFile();
    MVRCReader().convertToMOV(path.c_str(), (path + ".mov").c_str());
}

inline void RecordMovie(const std::string& path, int frames) {
    MVDKRegisterEncoderComponent();  // the lossless screen codec, 'mvdk'
    tagMVDImageFormat format{640, 480, kMVDPixelFormat32BGRA, 4};
    MVDImage screen(&format);
    // With recovery: after a crash, QTRecovery rebuilds the movie from
    // path + ".rcvr" ("mvd recover").
    QTWriter* writer = new QTWriter(path, 640, 480, true, (path + ".rcvr").c_str());
    writer->retain();
    QTICMVideoTrack* video = writer->createVideoTrack(
        tagMVDRect{0, 0, 640, 480}, kMVDPixelFormat32BGRA, 4, 'mvdk', codecLosslessQuality, 100);
    writer->start();
    for (int frame = 0; frame < frames; ++frame) {
        PaintBand(screen, frame);
        video->compressAndWriteMVDImage(&screen, 60);  // 60/600 s
    }
    writer->finalizeTracksWithShortestTrackMediaDuration();
    writer->finalizeMovie();
    writer->release();
}
