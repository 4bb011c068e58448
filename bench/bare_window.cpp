// The start-up baseline: a bare SDL window with a GL 3.3 core context of
// the size given on the command line, cleared once and presented once. It
// owns nothing beyond its process; the start-up benchmark runs it fresh
// for every measurement.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

namespace {

using ClearColorFunction = void (*)(float, float, float, float);
using ClearFunction = void (*)(unsigned int);
constexpr unsigned int kColorBufferBit = 0x00004000;  // GL_COLOR_BUFFER_BIT

}  // namespace

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::atoi(argv[1]) : 320;
    const int height = argc > 2 ? std::atoi(argv[2]) : 240;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window =
        SDL_CreateWindow("bare window", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "No GL window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    auto clearColor = reinterpret_cast<ClearColorFunction>(SDL_GL_GetProcAddress("glClearColor"));
    auto clear = reinterpret_cast<ClearFunction>(SDL_GL_GetProcAddress("glClear"));
    if (clearColor == nullptr || clear == nullptr) {
        std::fprintf(stderr, "The GL driver offers no glClear\n");
        return 1;
    }
    clearColor(0.0f, 0.2f, 0.4f, 1.0f);
    clear(kColorBufferBit);
    SDL_GL_SwapWindow(window);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
