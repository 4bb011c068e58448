// Settings: every value of config.ini plus the values derived from them.
// Read once at start-up by LoadSettings and never written back; readers use
// the fields directly. Names follow the keys of the file.
#pragma once

#include <cstdint>
#include <string>

struct ScreenRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// windowRect keeps 64-bit edges: WindowX + WindowWidth may exceed 32 bits.
struct WideRect {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
};

struct Settings {
    // [display]
    bool fullscreen = false;
    int32_t windowWidth = 0;  // outer window size, pixels
    int32_t windowHeight = 0;
    int32_t windowX = 0;  // outer window position, screen pixels
    int32_t windowY = 0;
    bool borderless = false;
    bool vSync = false;
    bool tripleBuffering = false;
    int32_t resolutionX = 0;  // back-buffer size, pixels
    int32_t resolutionY = 0;
    uint8_t texFiltering = 0;
    uint8_t texMipMap = 1;
    uint8_t texQuality = 1;
    uint8_t aaKind = 0;
    int32_t aaMult = 2;
    uint8_t aoKind = 0;
    int32_t aoResolution = 1024;
    uint8_t shadKind = 0;
    int32_t shadResolution = 1024;
    uint8_t reflections = 1;
    uint8_t postProcessing = 1;
    uint8_t particles = 1;
    uint8_t miscFX = 1;
    float renderDistance1 = 1024.0f;
    float renderDistance2 = 1024.0f;
    bool subtitles = true;
    uint8_t subtitlesSettings = 1;
    // [audio]
    uint8_t masterVolume = 50;
    uint8_t dialogueVolume = 50;
    uint8_t fxVolume = 50;
    uint8_t musicVolume = 50;
    // [game]
    bool debug = false;
    bool cheats = true;
    uint8_t difficulty = 1;
    bool cameraWobble = true;
    uint8_t languageMain = 1;
    uint8_t languageAudio = 1;
    uint8_t languageSub = 1;
    // [controls]
    float mSensibility = 0.5f;  // mouse sensitivity
    float xSensibility = 0.5f;  // controller sensitivity
    bool invertMouseXAxis = false;
    bool invertMouseYAxis = false;
    bool invertControllerXAxis = false;
    bool invertControllerYAxis = false;
    int32_t kForward = 0x57;  // virtual-key codes of the bindings
    int32_t kBackward = 0x53;
    int32_t kLeft = 0x41;
    int32_t kRight = 0x44;
    int32_t kSprint = 0xA0;
    int32_t kJump = 0x20;
    int32_t kAction = 0x45;
    int32_t kDevConsole = 0xC0;
    int32_t kSnapshot = 0x7B;
    int32_t kPause = 0x50;

    // Derived by LoadSettings.
    WideRect windowRect;          // WindowX, WindowY, X + Width, Y + Height
    float aspectRatio = 1.0f;     // WindowWidth / WindowHeight
    float screenExtents[4] = {};  // -ResY/2, ResY/2, ResX/2, -ResX/2
};

// Reads every key of the file at path in the fixed order, applies the
// defaults and the four zero-size fallbacks (each with its warning on the
// "Loading config files... " log line) and computes the derived values.
// desktop is the desktop rectangle the size defaults come from.
void LoadSettings(Settings& settings, const std::string& path, const ScreenRect& desktop);
