/* Preloaded into a program under measurement: the first SDL_GL_SwapWindow
 * goes through to SDL as usual and then ends the process at once with exit
 * code 86, so a start-up is timed up to its first presented frame without
 * the program knowing. Owns nothing; lives as long as the process. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <unistd.h>

typedef struct SDL_Window SDL_Window;
typedef void (*SwapWindowFunction)(SDL_Window*);

/* Seen by the benchmark as proof that the first frame was presented. */
enum { kFirstPresentExitCode = 86 };

void SDL_GL_SwapWindow(SDL_Window* window)
{
    SwapWindowFunction next = (SwapWindowFunction)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (next == NULL)
        _exit(1);
    next(window);
    _exit(kFirstPresentExitCode);
}
