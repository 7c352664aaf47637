// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer.h"

int main(int argc, char **argv)
{
    return run_window(argc, argv);
}
