#include "viewer.h"

#include "string_model.h"

#include <GL/glut.h>

void display()
{
    glClear(GL_COLOR_BUFFER_BIT);

    if (string_state.initialized == 0) {
        setup_string();
        string_state.initialized = 1;
    }

    glColor3d(0, 0, 0);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < N; ++i) {
        glVertex2d((9 * i) * H - 4.0, 1.5 * gsl_vector_get(string_state.u_curr, i));
    }
    glEnd();
    glFlush(); // single-buffered: nothing to swap

    // The picture above is the state before this advance.
    advance_frame();
}

void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glLoadIdentity();
    glOrtho(-width / 200.0, width / 200.0, -height / 200.0, height / 200.0, -1, 1);
}

void mouse(int button, int state, int /*x*/, int /*y*/)
{
    if (button == GLUT_LEFT_BUTTON) {
        // Press and release alike, so a click that began elsewhere still starts it.
        glutIdleFunc(glutPostRedisplay);
    } else if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        glutIdleFunc(nullptr);
    }
}
