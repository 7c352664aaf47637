// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer.h"

#include "string_model.h"

#include <GL/glut.h>

int run_window(int argc, char **argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE);
    glutCreateWindow(argv[0]);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glClearColor(1, 1, 1, 1);
    glutMainLoop();
    return 0;
}

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
        glVertex2d(node_x(i), HEIGHT_SCALE * gsl_vector_get(string_state.u_curr, i));
    }
    glEnd();
    glFlush(); // single-buffered: nothing to swap
    frame_shown();

    // The picture above is the state before this advance.
    advance_frame();
}

void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glLoadIdentity();
    // `width` pixels span width / PIXELS_PER_UNIT units, half each side of the origin.
    const double scale = 2 * PIXELS_PER_UNIT;
    glOrtho(-width / scale, width / scale, -height / scale, height / scale, -1, 1);
}

void mouse(int button, int state, int /*x*/, int /*y*/)
{
    if (button == GLUT_LEFT_BUTTON) {
        // Either edge of the left button starts it; only a right press stops it.
        glutIdleFunc(glutPostRedisplay);
    } else if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        glutIdleFunc(nullptr);
    }
}
