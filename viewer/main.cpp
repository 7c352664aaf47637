#include "viewer.h"

int main(int argc, char **argv)
{
    return run_window(argc, argv);
}
