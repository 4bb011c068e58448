#include "core/settings.h"

#include <cstdlib>
#include <limits>

#include "core/ini_reader.h"
#include "core/log.h"

namespace {

enum class SettingKind { Bool, Uint8, Int32, Float, KeyCode };

struct SettingEntry {
    const char* section;
    const char* key;
    SettingKind kind;
    int32_t defaultValue;     // Bool, Uint8, Int32
    const char* defaultText;  // Float, KeyCode: read as text like the value
    bool Settings::*boolField;
    uint8_t Settings::*byteField;
    int32_t Settings::*intField;
    float Settings::*floatField;
};

constexpr SettingEntry Bool(const char* section, const char* key, int32_t def, bool Settings::*field)
{
    return {section, key, SettingKind::Bool, def, nullptr, field, nullptr, nullptr, nullptr};
}

constexpr SettingEntry Byte(const char* section, const char* key, int32_t def, uint8_t Settings::*field)
{
    return {section, key, SettingKind::Uint8, def, nullptr, nullptr, field, nullptr, nullptr};
}

constexpr SettingEntry Int(const char* section, const char* key, int32_t def, int32_t Settings::*field)
{
    return {section, key, SettingKind::Int32, def, nullptr, nullptr, nullptr, field, nullptr};
}

constexpr SettingEntry Real(const char* section, const char* key, const char* def, float Settings::*field)
{
    return {section, key, SettingKind::Float, 0, def, nullptr, nullptr, nullptr, field};
}

constexpr SettingEntry Key(const char* section, const char* key, const char* def, int32_t Settings::*field)
{
    return {section, key, SettingKind::KeyCode, 0, def, nullptr, nullptr, field, nullptr};
}

// The keys read after the window and back-buffer sizes, in reading order.
const SettingEntry kSettingTable[] = {
    Byte("display", "TexFiltering", 0, &Settings::texFiltering),
    Byte("display", "TexMipMap", 1, &Settings::texMipMap),
    Byte("display", "TexQuality", 1, &Settings::texQuality),
    Byte("display", "AAKind", 0, &Settings::aaKind),
    Int("display", "AAMult", 2, &Settings::aaMult),
    Byte("display", "AOKind", 0, &Settings::aoKind),
    Int("display", "AOResolution", 1024, &Settings::aoResolution),
    Byte("display", "ShadKind", 0, &Settings::shadKind),
    Int("display", "ShadResolution", 1024, &Settings::shadResolution),
    Byte("display", "Reflections", 1, &Settings::reflections),
    Byte("display", "PostProcessing", 1, &Settings::postProcessing),
    Byte("display", "Particles", 1, &Settings::particles),
    Byte("display", "MiscFX", 1, &Settings::miscFX),
    Real("display", "RenderDistance1", "1024.0", &Settings::renderDistance1),
    Real("display", "RenderDistance2", "1024.0", &Settings::renderDistance2),
    Bool("display", "Subtitles", 1, &Settings::subtitles),
    Byte("display", "SubtitlesSettings", 1, &Settings::subtitlesSettings),

    Byte("audio", "MasterVolume", 50, &Settings::masterVolume),
    Byte("audio", "DialogueVolume", 50, &Settings::dialogueVolume),
    Byte("audio", "FXVolume", 50, &Settings::fxVolume),
    Byte("audio", "MusicVolume", 50, &Settings::musicVolume),

    Bool("game", "Debug", 0, &Settings::debug),
    Bool("game", "Cheats", 1, &Settings::cheats),
    Byte("game", "Difficulty", 1, &Settings::difficulty),
    Bool("game", "CameraWobble", 1, &Settings::cameraWobble),
    Byte("game", "LanguageMain", 1, &Settings::languageMain),
    Byte("game", "LanguageAudio", 1, &Settings::languageAudio),
    Byte("game", "LanguageSub", 1, &Settings::languageSub),

    Real("controls", "mSensibility", ".5", &Settings::mSensibility),
    Real("controls", "xSensibility", ".5", &Settings::xSensibility),
    Bool("controls", "InvertMouseXAxis", 0, &Settings::invertMouseXAxis),
    Bool("controls", "InvertMouseYAxis", 0, &Settings::invertMouseYAxis),
    Bool("controls", "InvertControllerXAxis", 0, &Settings::invertControllerXAxis),
    Bool("controls", "InvertControllerYAxis", 0, &Settings::invertControllerYAxis),
    Key("controls", "kForward", "0x57", &Settings::kForward),
    Key("controls", "kBackward", "0x53", &Settings::kBackward),
    Key("controls", "kLeft", "0x41", &Settings::kLeft),
    Key("controls", "kRight", "0x44", &Settings::kRight),
    Key("controls", "kSprint", "0xA0", &Settings::kSprint),
    Key("controls", "kJump", "0x20", &Settings::kJump),
    Key("controls", "kAction", "0x45", &Settings::kAction),
    Key("controls", "kDevConsole", "0xC0", &Settings::kDevConsole),
    Key("controls", "kSnapshot", "0x7B", &Settings::kSnapshot),
    Key("controls", "kPause", "0x50", &Settings::kPause),
};

void ReadSetting(Settings& settings, const IniFile& ini, const SettingEntry& e)
{
    switch (e.kind) {
    case SettingKind::Bool:
        settings.*e.boolField = ReadIniInt(ini, e.section, e.key, e.defaultValue) != 0;
        break;
    case SettingKind::Uint8:
        settings.*e.byteField = static_cast<uint8_t>(
            static_cast<uint32_t>(ReadIniInt(ini, e.section, e.key, e.defaultValue)) & 0xFFu);
        break;
    case SettingKind::Int32:
        settings.*e.intField = ReadIniInt(ini, e.section, e.key, e.defaultValue);
        break;
    case SettingKind::Float:
        settings.*e.floatField = ReadIniFloat(ini, e.section, e.key, e.defaultText);
        break;
    case SettingKind::KeyCode:
        settings.*e.intField = ReadIniKeyCode(ini, e.section, e.key, e.defaultText);
        break;
    }
}

// |a - b| formed in 64 bits; a span wider than a 32-bit size is held at the
// largest one.
int32_t Span(int32_t a, int32_t b)
{
    int64_t span = std::llabs(static_cast<int64_t>(a) - static_cast<int64_t>(b));
    return span > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                      : static_cast<int32_t>(span);
}

}  // namespace

void LoadSettings(Settings& settings, const std::string& path, const ScreenRect& desktop)
{
    WriteLog(true, L"Loading config files... ");
    IniFile ini = LoadIniFile(path);

    settings.fullscreen = ReadIniInt(ini, "display", "Fullscreen", 0) != 0;
    int32_t desktopWidth = Span(desktop.right, desktop.left);
    int32_t desktopHeight = Span(desktop.top, desktop.bottom);
    if (settings.fullscreen) {
        settings.windowWidth = desktop.right;
        settings.windowHeight = desktop.bottom;
        settings.windowX = 0;
        settings.windowY = 0;
        settings.borderless = false;
    } else {
        settings.windowWidth = ReadIniInt(ini, "display", "WindowWidth", desktopWidth);
        settings.windowHeight = ReadIniInt(ini, "display", "WindowHeight", desktopHeight);
        settings.windowX = ReadIniInt(ini, "display", "WindowX", 0);
        settings.windowY = ReadIniInt(ini, "display", "WindowY", 0);
        settings.borderless = ReadIniInt(ini, "display", "Borderless", 0) != 0;
    }

    if (settings.windowWidth == 0) {
        settings.windowWidth = desktopWidth;
        WriteLog(false, L"window width cannot be 0! defaulting to desktop resolution... ");
    }
    if (settings.windowHeight == 0) {
        settings.windowHeight = desktopHeight;
        WriteLog(false, L"window height cannot be 0! defaulting to desktop resolution... ");
    }

    settings.windowRect.left = settings.windowX;
    settings.windowRect.top = settings.windowY;
    settings.windowRect.right = static_cast<int64_t>(settings.windowX) + settings.windowWidth;
    settings.windowRect.bottom = static_cast<int64_t>(settings.windowY) + settings.windowHeight;
    // Only a desktop of zero height leaves the height at 0; the ratio then
    // stays square rather than becoming infinite.
    settings.aspectRatio = settings.windowHeight != 0 ? static_cast<float>(settings.windowWidth) /
                                                            static_cast<float>(settings.windowHeight)
                                                      : 1.0f;

    settings.vSync = ReadIniInt(ini, "display", "VSync", 0) != 0;
    settings.tripleBuffering = ReadIniInt(ini, "display", "TripleBuffering", 0) != 0;
    settings.resolutionX = ReadIniInt(ini, "display", "ResolutionX", settings.windowWidth);
    settings.resolutionY = ReadIniInt(ini, "display", "ResolutionY", settings.windowHeight);
    if (settings.resolutionX == 0) {
        settings.resolutionX = settings.windowWidth;
        WriteLog(false, L"device width cannot be 0! defaulting to window size... ");
    }
    if (settings.resolutionY == 0) {
        settings.resolutionY = settings.windowHeight;
        WriteLog(false, L"device height cannot be 0! defaulting to window size... ");
    }

    settings.screenExtents[0] = static_cast<float>(-static_cast<double>(settings.resolutionY) * 0.5);
    settings.screenExtents[1] = static_cast<float>(static_cast<double>(settings.resolutionY) * 0.5);
    settings.screenExtents[2] = static_cast<float>(static_cast<double>(settings.resolutionX) * 0.5);
    settings.screenExtents[3] = static_cast<float>(-static_cast<double>(settings.resolutionX) * 0.5);

    for (const SettingEntry& entry : kSettingTable)
        ReadSetting(settings, ini, entry);

    WriteLog(false, L"done!\n");
}
