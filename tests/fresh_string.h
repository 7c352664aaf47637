// SPDX-License-Identifier: GPL-3.0-or-later
// The model has one program-wide state and no reset. The first caller runs
// the set-up and records both levels exactly as it wrote them; later callers
// restore that record, so every test or benchmark starts from set-up's own
// state.
#pragma once

#include "string_model.h"

#include <vector>

struct SetupLevels {
    std::vector<double> u_prev;
    std::vector<double> u_curr;
};

inline std::vector<double> copy_of(const gsl_vector *v)
{
    return {v->data, v->data + v->size};
}

// Both levels as the first setup_string() of this process left them.
inline const SetupLevels &levels_after_setup()
{
    static const SetupLevels levels = [] {
        setup_string();
        string_state.initialized = 1;
        return SetupLevels{copy_of(string_state.u_prev), copy_of(string_state.u_curr)};
    }();
    return levels;
}

inline void start_from_setup()
{
    const SetupLevels &levels = levels_after_setup();
    for (int i = 0; i < N; ++i) {
        gsl_vector_set(string_state.u_prev, i, levels.u_prev[i]);
        gsl_vector_set(string_state.u_curr, i, levels.u_curr[i]);
    }
}
