// Process entry: the command line is ignored; the window is shown normally.
#include "app/frame.h"

int main()
{
    constexpr int showNormal = 1;
    return RunGame(showNormal);
}
