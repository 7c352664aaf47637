// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own window, drawing a string whose displacements come from
// the command line: extreme_values VALUE [GLUT options]. Nodes take VALUE and
// -VALUE in turn, so "nan", "inf" or "1e300" can be drawn and then stepped,
// which the model itself would take hours to reach.
#include "string_model.h"
#include "viewer.h"

#include <cstdlib>

int main(int argc, char **argv)
{
    const double value = argc > 1 ? std::strtod(argv[1], nullptr) : 0.0;
    setup_string();
    string_state.initialized = 1;
    for (int i = 0; i < N; ++i) {
        const double signed_value = i % 2 == 0 ? value : -value;
        gsl_vector_set(string_state.u_prev, i, signed_value);
        gsl_vector_set(string_state.u_curr, i, signed_value);
    }
    return run_window(argc, argv);
}
