// Drawing of the mission's structures and tile objects (OpenGL 1.1).
#pragma once

// Caller: drawFrame, inside its matrix push, texturing on, blending off.
// Draws nothing while the object display flag is clear.
void drawMissionObjects();
