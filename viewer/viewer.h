// GLUT callbacks of the vibrating-string window.
#pragma once

// Draws the string as it stands, then advances the model by one frame.
void display();

// Keeps 100 pixels per world unit, origin at the window's centre.
void reshape(int width, int height);

// Left button (press or release) starts continuous redrawing; a right-button
// press stops it.
void mouse(int button, int state, int x, int y);
