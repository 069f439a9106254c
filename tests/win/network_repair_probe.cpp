// Runs the network repair step by itself, so that tests can see its exact lines on each
// platform family without a whole cleaning run.
#include "network_repair.h"

int main()
{
    repair_network_access();
    return 0;
}
