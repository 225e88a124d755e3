// The screen codec's set-up for tests: its preferences in a fresh folder
// (XDG_CONFIG_HOME) and its compressor and decompressor components
// registered; both are undone when the objects go.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "Codec/MVDKCodecComponent.h"
#include "Support/TempDir.h"

namespace mvdtest {

// Sets XDG_CONFIG_HOME for the life of the object.
class ScopedConfigHome {
  public:
    explicit ScopedConfigHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            m_old = old;
        }
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (m_old) {
            setenv("XDG_CONFIG_HOME", m_old->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

  private:
    std::optional<std::string> m_old;
};

class ScreenCodecEnvironment {
  public:
    ScreenCodecEnvironment()
        : m_home(m_folder.path()),
          m_encoder(MVDKRegisterEncoderComponent()),
          m_decoder(MVDKRegisterDecoderComponent()) {}
    ~ScreenCodecEnvironment() {
        UnregisterComponent(m_encoder);
        UnregisterComponent(m_decoder);
    }
    ScreenCodecEnvironment(const ScreenCodecEnvironment&) = delete;
    ScreenCodecEnvironment& operator=(const ScreenCodecEnvironment&) = delete;

  private:
    TempDir m_folder;
    ScopedConfigHome m_home;
    Component m_encoder;
    Component m_decoder;
};

}  // namespace mvdtest
