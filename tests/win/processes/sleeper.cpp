// A program that only waits to be ended: copied under a worm component's name, it stands in
// for the worm's running process.
#include <windows.h>

int main()
{
    for (;;)
        Sleep(1000);
}
