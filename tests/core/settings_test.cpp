#include <gtest/gtest.h>

#include <functional>

#include "core/settings.h"
#include "core_test_support.h"

namespace {

// A desktop whose corner is not at the origin, so that "right edge" and
// "width" give different answers: width 1920, height 1080.
const ScreenRect kDesktop{100, 50, 2020, 1130};

// Every key set to something other than its default.
const char* const kEveryKeyChanged =
    "[display]\n"
    "WindowWidth=640\nWindowHeight=480\nWindowX=7\nWindowY=9\nBorderless=1\n"
    "VSync=1\nTripleBuffering=1\nResolutionX=320\nResolutionY=240\n"
    "TexFiltering=3\nTexMipMap=0\nTexQuality=2\nAAKind=4\nAAMult=8\nAOKind=2\nAOResolution=512\n"
    "ShadKind=3\nShadResolution=2048\nReflections=0\nPostProcessing=0\nParticles=0\nMiscFX=0\n"
    "RenderDistance1=10.5\nRenderDistance2=20.25\nSubtitles=0\nSubtitlesSettings=5\n"
    "[audio]\nMasterVolume=1\nDialogueVolume=2\nFXVolume=3\nMusicVolume=4\n"
    "[game]\nDebug=1\nCheats=0\nDifficulty=3\nCameraWobble=0\nLanguageMain=2\nLanguageAudio=3\nLanguageSub="
    "4\n"
    "[controls]\nmSensibility=2\nxSensibility=3\nInvertMouseXAxis=1\nInvertMouseYAxis=1\n"
    "InvertControllerXAxis=1\nInvertControllerYAxis=1\n"
    "kForward=1\nkBackward=2\nkLeft=3\nkRight=4\nkSprint=5\nkJump=6\nkAction=7\nkDevConsole=8\n"
    "kSnapshot=9\nkPause=10\n";

class SettingsTest : public LogFixture {
protected:
    Settings Load(const std::string& iniText)
    {
        std::string path = dir + "/config.ini";
        WriteWholeFile(path, iniText);
        Settings settings;
        LoadSettings(settings, path, kDesktop);
        return settings;
    }
};

TEST_F(SettingsTest, MissingFileGivesEveryDefault)
{
    Settings s = Load(kEveryKeyChanged);
    ASSERT_EQ(s.kPause, 10) << "the changed file must have been read";
    MirroredPieces().clear();
    CloseLogFile();
    OpenLogFile(logPath.c_str());

    LoadSettings(s, dir + "/absent.ini", kDesktop);

    EXPECT_FALSE(s.fullscreen);
    EXPECT_EQ(s.windowWidth, 1920);
    EXPECT_EQ(s.windowHeight, 1080);
    EXPECT_EQ(s.windowX, 0);
    EXPECT_EQ(s.windowY, 0);
    EXPECT_FALSE(s.borderless);
    EXPECT_FALSE(s.vSync);
    EXPECT_FALSE(s.tripleBuffering);
    EXPECT_EQ(s.resolutionX, 1920);
    EXPECT_EQ(s.resolutionY, 1080);
    EXPECT_EQ(s.texFiltering, 0);
    EXPECT_EQ(s.texMipMap, 1);
    EXPECT_EQ(s.texQuality, 1);
    EXPECT_EQ(s.aaKind, 0);
    EXPECT_EQ(s.aaMult, 2);
    EXPECT_EQ(s.aoKind, 0);
    EXPECT_EQ(s.aoResolution, 1024);
    EXPECT_EQ(s.shadKind, 0);
    EXPECT_EQ(s.shadResolution, 1024);
    EXPECT_EQ(s.reflections, 1);
    EXPECT_EQ(s.postProcessing, 1);
    EXPECT_EQ(s.particles, 1);
    EXPECT_EQ(s.miscFX, 1);
    EXPECT_EQ(s.renderDistance1, 1024.0f);
    EXPECT_EQ(s.renderDistance2, 1024.0f);
    EXPECT_TRUE(s.subtitles);
    EXPECT_EQ(s.subtitlesSettings, 1);
    EXPECT_EQ(s.masterVolume, 50);
    EXPECT_EQ(s.dialogueVolume, 50);
    EXPECT_EQ(s.fxVolume, 50);
    EXPECT_EQ(s.musicVolume, 50);
    EXPECT_FALSE(s.debug);
    EXPECT_TRUE(s.cheats);
    EXPECT_EQ(s.difficulty, 1);
    EXPECT_TRUE(s.cameraWobble);
    EXPECT_EQ(s.languageMain, 1);
    EXPECT_EQ(s.languageAudio, 1);
    EXPECT_EQ(s.languageSub, 1);
    EXPECT_EQ(s.mSensibility, 0.5f);
    EXPECT_EQ(s.xSensibility, 0.5f);
    EXPECT_FALSE(s.invertMouseXAxis);
    EXPECT_FALSE(s.invertMouseYAxis);
    EXPECT_FALSE(s.invertControllerXAxis);
    EXPECT_FALSE(s.invertControllerYAxis);
    EXPECT_EQ(s.kForward, 0x57);
    EXPECT_EQ(s.kBackward, 0x53);
    EXPECT_EQ(s.kLeft, 0x41);
    EXPECT_EQ(s.kRight, 0x44);
    EXPECT_EQ(s.kSprint, 0xA0);
    EXPECT_EQ(s.kJump, 0x20);
    EXPECT_EQ(s.kAction, 0x45);
    EXPECT_EQ(s.kDevConsole, 0xC0);
    EXPECT_EQ(s.kSnapshot, 0x7B);
    EXPECT_EQ(s.kPause, 0x50);

    EXPECT_EQ(s.windowRect.left, 0);
    EXPECT_EQ(s.windowRect.top, 0);
    EXPECT_EQ(s.windowRect.right, 1920);
    EXPECT_EQ(s.windowRect.bottom, 1080);
    EXPECT_FLOAT_EQ(s.aspectRatio, 16.0f / 9.0f);
    EXPECT_EQ(s.screenExtents[0], -540.0f);
    EXPECT_EQ(s.screenExtents[1], 540.0f);
    EXPECT_EQ(s.screenExtents[2], 960.0f);
    EXPECT_EQ(s.screenExtents[3], -960.0f);

    EXPECT_EQ(MirroredPieces(), (std::vector<std::wstring>{L"Loading config files... ", L"done!\n"}));
    EXPECT_TRUE(
        MatchesWhole(LogText(), std::string(kTimestampPattern) + "Loading config files\\.\\.\\. done!\r\n"))
        << LogText();
}

TEST_F(SettingsTest, EveryKeyIsReadFromItsSection)
{
    Settings s = Load(kEveryKeyChanged);
    EXPECT_EQ(s.windowWidth, 640);
    EXPECT_EQ(s.windowHeight, 480);
    EXPECT_EQ(s.windowX, 7);
    EXPECT_EQ(s.windowY, 9);
    EXPECT_TRUE(s.borderless);
    EXPECT_TRUE(s.vSync);
    EXPECT_TRUE(s.tripleBuffering);
    EXPECT_EQ(s.resolutionX, 320);
    EXPECT_EQ(s.resolutionY, 240);
    EXPECT_EQ(s.texFiltering, 3);
    EXPECT_EQ(s.texMipMap, 0);
    EXPECT_EQ(s.texQuality, 2);
    EXPECT_EQ(s.aaKind, 4);
    EXPECT_EQ(s.aaMult, 8);
    EXPECT_EQ(s.aoKind, 2);
    EXPECT_EQ(s.aoResolution, 512);
    EXPECT_EQ(s.shadKind, 3);
    EXPECT_EQ(s.shadResolution, 2048);
    EXPECT_EQ(s.reflections, 0);
    EXPECT_EQ(s.postProcessing, 0);
    EXPECT_EQ(s.particles, 0);
    EXPECT_EQ(s.miscFX, 0);
    EXPECT_EQ(s.renderDistance1, 10.5f);
    EXPECT_EQ(s.renderDistance2, 20.25f);
    EXPECT_FALSE(s.subtitles);
    EXPECT_EQ(s.subtitlesSettings, 5);
    EXPECT_EQ(s.masterVolume, 1);
    EXPECT_EQ(s.dialogueVolume, 2);
    EXPECT_EQ(s.fxVolume, 3);
    EXPECT_EQ(s.musicVolume, 4);
    EXPECT_TRUE(s.debug);
    EXPECT_FALSE(s.cheats);
    EXPECT_EQ(s.difficulty, 3);
    EXPECT_FALSE(s.cameraWobble);
    EXPECT_EQ(s.languageMain, 2);
    EXPECT_EQ(s.languageAudio, 3);
    EXPECT_EQ(s.languageSub, 4);
    EXPECT_EQ(s.mSensibility, 2.0f);
    EXPECT_EQ(s.xSensibility, 3.0f);
    EXPECT_TRUE(s.invertMouseXAxis);
    EXPECT_TRUE(s.invertMouseYAxis);
    EXPECT_TRUE(s.invertControllerXAxis);
    EXPECT_TRUE(s.invertControllerYAxis);
    EXPECT_EQ(s.kForward, 1);
    EXPECT_EQ(s.kBackward, 2);
    EXPECT_EQ(s.kLeft, 3);
    EXPECT_EQ(s.kRight, 4);
    EXPECT_EQ(s.kSprint, 5);
    EXPECT_EQ(s.kJump, 6);
    EXPECT_EQ(s.kAction, 7);
    EXPECT_EQ(s.kDevConsole, 8);
    EXPECT_EQ(s.kSnapshot, 9);
    EXPECT_EQ(s.kPause, 10);
    EXPECT_EQ(s.windowRect.left, 7);
    EXPECT_EQ(s.windowRect.top, 9);
    EXPECT_EQ(s.windowRect.right, 647);
    EXPECT_EQ(s.windowRect.bottom, 489);
    EXPECT_FLOAT_EQ(s.aspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(s.screenExtents[0], -120.0f);
    EXPECT_EQ(s.screenExtents[1], 120.0f);
    EXPECT_EQ(s.screenExtents[2], 160.0f);
    EXPECT_EQ(s.screenExtents[3], -160.0f);
}

struct SettingsCase {
    const char* name;
    const char* ini;
    std::function<void(const Settings&)> check;
};

TEST_F(SettingsTest, FileValuesFollowTheReadingRules)
{
    const SettingsCase cases[] = {
        {"full screen takes the desktop's right and bottom edges and ignores the window keys",
         "[display]\nFullscreen=1\nWindowWidth=800\nWindowHeight=600\nWindowX=5\nWindowY=6\nBorderless=1\n",
         [](const Settings& s) {
             EXPECT_TRUE(s.fullscreen);
             EXPECT_EQ(s.windowWidth, 2020);
             EXPECT_EQ(s.windowHeight, 1130);
             EXPECT_EQ(s.windowX, 0);
             EXPECT_EQ(s.windowY, 0);
             EXPECT_FALSE(s.borderless);
             EXPECT_EQ(s.resolutionX, 2020);
             EXPECT_EQ(s.resolutionY, 1130);
         }},
        {"decimal and hexadecimal key codes bind the same key",
         "[controls]\nkJump=32\nkAction=0x20\nkPause=0x1B\nkSprint=shift\n",
         [](const Settings& s) {
             EXPECT_EQ(s.kJump, 0x20);
             EXPECT_EQ(s.kAction, 0x20);
             EXPECT_EQ(s.kPause, 0x1B);
             EXPECT_EQ(s.kSprint, 0);
         }},
        {"8-bit values keep the low byte, bools are any non-zero",
         "[display]\nTexQuality=258\nTexFiltering=-1\nSubtitles=-5\n[audio]\nMasterVolume=300\n"
         "[game]\nDebug=2\nCheats=0\n",
         [](const Settings& s) {
             EXPECT_EQ(s.texQuality, 2);
             EXPECT_EQ(s.texFiltering, 255);
             EXPECT_TRUE(s.subtitles);
             EXPECT_EQ(s.masterVolume, 44);
             EXPECT_TRUE(s.debug);
             EXPECT_FALSE(s.cheats);
         }},
        {"floats that are not numbers, or not finite, are 0",
         "[display]\nRenderDistance1=abc\nRenderDistance2=1e999\n[controls]\nmSensibility=nan\nxSensibility="
         "inf\n",
         [](const Settings& s) {
             EXPECT_EQ(s.renderDistance1, 0.0f);
             EXPECT_EQ(s.renderDistance2, 0.0f);
             EXPECT_EQ(s.mSensibility, 0.0f);
             EXPECT_EQ(s.xSensibility, 0.0f);
         }},
        {"a float value is cut to 31 characters before conversion",
         "[controls]\nmSensibility=0.0000000000000000000000000000019\n",
         [](const Settings& s) { EXPECT_EQ(s.mSensibility, 0.0f); }},
        {"comments, CR LF and names in other case",
         "; settings\r\n[DISPLAY]\r\n# WindowWidth=1\r\n  windowwidth = 800 \r\nWINDOWHEIGHT=\"600\"\r\n"
         "[Controls]\r\nKJUMP=0x45\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.windowWidth, 800);
             EXPECT_EQ(s.windowHeight, 600);
             EXPECT_EQ(s.kJump, 0x45);
         }},
        {"garbage and huge integers wrap like the platform's conversion",
         "[display]\nWindowWidth=4294967297\nWindowHeight=12px\nAAMult=abc\nAOResolution=-2147483649\n",
         [](const Settings& s) {
             EXPECT_EQ(s.windowWidth, 1);
             EXPECT_EQ(s.windowHeight, 12);
             EXPECT_EQ(s.aaMult, 0);
             EXPECT_EQ(s.aoResolution, 2147483647);
         }},
        {"negative sizes are used as they are",
         "[display]\nWindowWidth=-800\nWindowHeight=600\nWindowX=100\nResolutionY=-3\n",
         [](const Settings& s) {
             EXPECT_EQ(s.windowWidth, -800);
             EXPECT_EQ(s.windowRect.left, 100);
             EXPECT_EQ(s.windowRect.right, -700);
             EXPECT_FLOAT_EQ(s.aspectRatio, -800.0f / 600.0f);
             EXPECT_EQ(s.resolutionX, -800);
             EXPECT_EQ(s.screenExtents[0], 1.5f);
             EXPECT_EQ(s.screenExtents[1], -1.5f);
             EXPECT_EQ(s.screenExtents[2], -400.0f);
             EXPECT_EQ(s.screenExtents[3], 400.0f);
         }},
        {"window edges beyond 32 bits do not overflow",
         "[display]\nWindowX=2147483647\nWindowY=-2147483648\nWindowWidth=100\nWindowHeight=-100\n",
         [](const Settings& s) {
             EXPECT_EQ(s.windowRect.right, 2147483747LL);
             EXPECT_EQ(s.windowRect.bottom, -2147483748LL);
         }},
        {"an odd back buffer has half-pixel extents", "[display]\nResolutionX=801\nResolutionY=601\n",
         [](const Settings& s) {
             EXPECT_EQ(s.screenExtents[0], -300.5f);
             EXPECT_EQ(s.screenExtents[2], 400.5f);
         }},
        {"an empty value keeps the default", "[display]\nWindowWidth=\nFullscreen=\n",
         [](const Settings& s) {
             EXPECT_EQ(s.windowWidth, 1920);
             EXPECT_FALSE(s.fullscreen);
         }},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(Load(c.ini));
    }
}

TEST_F(SettingsTest, ZeroSizesFallBackWithWarningsOnTheSameLine)
{
    Settings s = Load("[display]\nWindowWidth=0\nWindowHeight=0\nResolutionX=0\nResolutionY=0\n");
    EXPECT_EQ(s.windowWidth, 1920);
    EXPECT_EQ(s.windowHeight, 1080);
    EXPECT_EQ(s.resolutionX, 1920);
    EXPECT_EQ(s.resolutionY, 1080);
    EXPECT_FLOAT_EQ(s.aspectRatio, 16.0f / 9.0f);
    EXPECT_EQ(MirroredPieces(), (std::vector<std::wstring>{
                                    L"Loading config files... ",
                                    L"window width cannot be 0! defaulting to desktop resolution... ",
                                    L"window height cannot be 0! defaulting to desktop resolution... ",
                                    L"device width cannot be 0! defaulting to window size... ",
                                    L"device height cannot be 0! defaulting to window size... ",
                                    L"done!\n",
                                }));
    EXPECT_TRUE(
        MatchesWhole(LogText(), std::string(kTimestampPattern) +
                                    "Loading config files\\.\\.\\. "
                                    "window width cannot be 0! defaulting to desktop resolution\\.\\.\\. "
                                    "window height cannot be 0! defaulting to desktop resolution\\.\\.\\. "
                                    "device width cannot be 0! defaulting to window size\\.\\.\\. "
                                    "device height cannot be 0! defaulting to window size\\.\\.\\. "
                                    "done!\r\n"))
        << LogText();
}

TEST_F(SettingsTest, BackBufferFallsBackToTheWindowNotTheDesktop)
{
    Settings s = Load("[display]\nWindowWidth=0\nWindowHeight=700\nResolutionX=0\n");
    EXPECT_EQ(s.windowWidth, 1920);
    EXPECT_EQ(s.resolutionX, 1920);
    EXPECT_EQ(s.resolutionY, 700);
    EXPECT_EQ(MirroredPieces(), (std::vector<std::wstring>{
                                    L"Loading config files... ",
                                    L"window width cannot be 0! defaulting to desktop resolution... ",
                                    L"device width cannot be 0! defaulting to window size... ",
                                    L"done!\n",
                                }));

    MirroredPieces().clear();
    s = Load("[display]\nWindowWidth=640\nWindowHeight=480\nResolutionY=0\n");
    EXPECT_EQ(s.resolutionX, 640);
    EXPECT_EQ(s.resolutionY, 480);
    EXPECT_EQ(MirroredPieces().size(), 3u);
}

TEST_F(SettingsTest, ZeroDesktopLeavesAFiniteAspectRatio)
{
    std::string path = dir + "/absent.ini";
    Settings s;
    LoadSettings(s, path, ScreenRect{0, 0, 0, 0});
    EXPECT_EQ(s.windowWidth, 0);
    EXPECT_EQ(s.windowHeight, 0);
    EXPECT_EQ(s.aspectRatio, 1.0f);
}

}  // namespace
