// SPDX-License-Identifier: GPL-3.0-or-later
#include "string_measures.h"

#include "string_model.h"

#include <cmath>
#include <cstdio>

const char HISTORY_HEADER[] = "frame,time,largest_displacement,energy\n";
const char NODE_HEADER[] = "frame,time,displacement\n";

double frame_time(long frame)
{
    return static_cast<double>(frame) * (STEPS_PER_FRAME * std::sqrt(STEP_COEFF));
}

int largest_node()
{
    int node = 0;
    for (int i = 1; i < N; ++i) {
        if (std::fabs(gsl_vector_get(string_state.u_curr, i)) > std::fabs(gsl_vector_get(string_state.u_curr, node))) {
            node = i;
        }
    }
    return node;
}

double largest_displacement()
{
    return std::fabs(gsl_vector_get(string_state.u_curr, largest_node()));
}

double energy()
{
    const double dt = std::sqrt(STEP_COEFF);
    const gsl_vector *u = string_state.u_curr;
    const gsl_vector *u_prev = string_state.u_prev;
    double strain = 0;
    double kinetic = 0;
    for (int i = 0; i + 1 < N; ++i) {
        const double slope = (gsl_vector_get(u, i + 1) - gsl_vector_get(u, i)) / H;
        strain += 0.5 * slope * slope * H;
        const double a = (gsl_vector_get(u, i) - gsl_vector_get(u_prev, i)) / dt;
        const double b = (gsl_vector_get(u, i + 1) - gsl_vector_get(u_prev, i + 1)) / dt;
        kinetic += H / 6 * (a * a + a * b + b * b); // 1/2 of the integral of the linear velocity squared
    }
    return strain + kinetic;
}

int history_line(char *line, std::size_t size, long frame, double largest, double energy)
{
    return std::snprintf(line, size, "%ld,%.6g,%.9g,%.9g\n", frame, frame_time(frame), largest, energy);
}

int node_line(char *line, std::size_t size, long frame, double displacement)
{
    return std::snprintf(line, size, "%ld,%.6g,%.9g\n", frame, frame_time(frame), displacement);
}
