// pemvolt: entry point and the fixed sequence of cleaning steps.
#include "console.h"

int main()
{
    return 0;
}
