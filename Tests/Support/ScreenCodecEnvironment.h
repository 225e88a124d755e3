// Registers the screen codec's compressor and decompressor components for a
// test, with XDG_CONFIG_HOME pointing at a fresh folder (the codec keeps its
// preferences there); both are undone when it goes.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "Codec/MVDKCodecComponent.h"
#include "Support/TempDir.h"

namespace mvdtest {

class ScreenCodecEnvironment {
  public:
    ScreenCodecEnvironment() {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            m_oldHome = old;
        }
        setenv("XDG_CONFIG_HOME", m_home.path().c_str(), 1);
        m_encoder = MVDKRegisterEncoderComponent();
        m_decoder = MVDKRegisterDecoderComponent();
    }
    ~ScreenCodecEnvironment() {
        UnregisterComponent(m_encoder);
        UnregisterComponent(m_decoder);
        if (m_oldHome) {
            setenv("XDG_CONFIG_HOME", m_oldHome->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    ScreenCodecEnvironment(const ScreenCodecEnvironment&) = delete;
    ScreenCodecEnvironment& operator=(const ScreenCodecEnvironment&) = delete;

  private:
    TempDir m_home;
    std::optional<std::string> m_oldHome;
    Component m_encoder = nullptr;
    Component m_decoder = nullptr;
};

}  // namespace mvdtest
