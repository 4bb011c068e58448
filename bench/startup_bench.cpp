// Start-up time from the entry point to the first presented frame: the real
// game executable against a bare SDL + GL window that clears and presents
// once, each started as a fresh process (the game keeps one global
// application record, so it cannot be started twice in one process), the
// two interleaved, after one unmeasured run of each so the file cache is
// warm. A preloaded library (first_present_exit) ends either process right
// after its first buffer swap with a code of its own, so the game runs
// unchanged and the time counts no shutdown. The game runs in a scratch
// working directory holding a copy of Shaders/ and a config.ini with a
// small window. The counters give both times and "ratio" = game / bare.
//
// Paths come from the build; VORLANDIS_GAME, VORLANDIS_BARE_WINDOW and
// VORLANDIS_FIRST_PRESENT_EXIT override them. The video driver is the
// caller's SDL_VIDEODRIVER, offscreen when that is not set.
//
// BM_ShaderCompilation times the front-end compile of the three HLSL files
// (vertex and pixel entry point each), the part of the game's start-up that
// the bare window has no counterpart for.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/result.h"
#include "gfx/device.h"

extern char** environ;

namespace {

constexpr int kFirstPresentExitCode = 86;  // as first_present_exit.c ends a process
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;
const char* const kShaderNames[] = {"main", "test", "plain"};

std::string PathFromEnvironment(const char* variable, const char* built)
{
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0' ? value : built;
}

// The environment of a measured process: ours, with the preload, the
// video driver and no message boxes.
std::vector<std::string> ChildEnvironment(const std::string& preload)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.rfind("LD_PRELOAD=", 0) == 0 || text.rfind("VORLANDIS_NO_MESSAGE_BOXES=", 0) == 0)
            continue;
        entries.push_back(text);
    }
    entries.push_back("LD_PRELOAD=" + preload);
    entries.push_back("VORLANDIS_NO_MESSAGE_BOXES=1");
    if (std::getenv("SDL_VIDEODRIVER") == nullptr)
        entries.push_back("SDL_VIDEODRIVER=offscreen");
    return entries;
}

// A working directory for the game: Shaders/ copied from the source tree
// and a config.ini asking for a small window and back buffer.
bool MakeScratchDirectory(std::string& directory, std::string& error)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/vorlandis-startup-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = "cannot make a scratch directory";
        return false;
    }
    directory = pattern;
    std::error_code failure;
    fs::copy(fs::path(VORLANDIS_SOURCE_DIR) / "Shaders", fs::path(directory) / "Shaders",
             fs::copy_options::recursive, failure);
    if (failure) {
        error = "cannot copy Shaders/: " + failure.message();
        return false;
    }
    std::ofstream config(directory + "/config.ini");
    config << "[display]\nFullscreen=0\nWindowWidth=" << kWindowWidth << "\nWindowHeight=" << kWindowHeight
           << "\nResolutionX=" << kWindowWidth << "\nResolutionY=" << kWindowHeight << "\nVSync=0\n";
    if (!config) {
        error = "cannot write config.ini";
        return false;
    }
    return true;
}

// Runs argv in directory until it exits; seconds from spawn to exit. False
// (with the reason) unless the process ended at its first presented frame.
bool TimeToFirstPresent(const std::vector<std::string>& argv, const std::string& directory,
                        const std::vector<std::string>& environment, double& seconds, std::string& error)
{
    std::vector<char*> args, envp;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    const std::string errorLog = directory + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        error = argv[0] + ": " + std::strerror(spawned);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            error = "lost the child process";
            return false;
        }
    }
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != kFirstPresentExitCode) {
        error = argv[0] + " ended before presenting a frame (status " + std::to_string(status) + "); see " +
                errorLog;
        return false;
    }
    return true;
}

void BM_StartupVsBareWindow(benchmark::State& state)
{
    const std::string game = PathFromEnvironment("VORLANDIS_GAME", VORLANDIS_GAME_PATH);
    const std::string bare = PathFromEnvironment("VORLANDIS_BARE_WINDOW", VORLANDIS_BARE_WINDOW_PATH);
    const std::string preload =
        PathFromEnvironment("VORLANDIS_FIRST_PRESENT_EXIT", VORLANDIS_FIRST_PRESENT_EXIT_PATH);
    std::string directory, error;
    if (!MakeScratchDirectory(directory, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::vector<std::string> environment = ChildEnvironment(preload);
    const std::vector<std::string> gameArgs = {game};
    const std::vector<std::string> bareArgs = {bare, std::to_string(kWindowWidth),
                                               std::to_string(kWindowHeight)};

    double gameSeconds = 0.0, bareSeconds = 0.0, seconds = 0.0;
    // Unmeasured runs: the executables, libraries and shaders come into the
    // file cache, and a broken set-up shows before any figure is taken.
    if (!TimeToFirstPresent(gameArgs, directory, environment, seconds, error) ||
        !TimeToFirstPresent(bareArgs, directory, environment, seconds, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        double gameRun = 0.0, bareRun = 0.0;
        if (!TimeToFirstPresent(gameArgs, directory, environment, gameRun, error) ||
            !TimeToFirstPresent(bareArgs, directory, environment, bareRun, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        gameSeconds += gameRun;
        bareSeconds += bareRun;
        state.SetIterationTime(gameRun);
    }
    std::filesystem::remove_all(directory);
    const double n = static_cast<double>(state.iterations());
    if (n == 0)
        return;
    state.counters["game_ms"] = benchmark::Counter(gameSeconds * 1e3 / n);
    state.counters["bare_ms"] = benchmark::Counter(bareSeconds * 1e3 / n);
    state.counters["ratio"] = benchmark::Counter(bareSeconds > 0 ? gameSeconds / bareSeconds : 0);
}

BENCHMARK(BM_StartupVsBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ShaderCompilation(benchmark::State& state)
{
    const std::string folder = std::string(VORLANDIS_SOURCE_DIR) + "/Shaders/";
    for (auto _ : state) {
        for (const char* name : kShaderNames) {
            GfxShaderCode vertex, pixel;
            std::string diagnostics;
            const std::string path = folder + name + ".hlsl";
            if (Failed(CompileShaderFromFile(path, "VShader", "vs_4_0", vertex, diagnostics)) ||
                Failed(CompileShaderFromFile(path, "PShader", "ps_4_0", pixel, diagnostics))) {
                state.SkipWithError(("cannot compile " + path + ": " + diagnostics).c_str());
                return;
            }
            benchmark::DoNotOptimize(vertex.spirv.data());
            benchmark::DoNotOptimize(pixel.spirv.data());
        }
    }
}

BENCHMARK(BM_ShaderCompilation)->Unit(benchmark::kMillisecond);

}  // namespace
