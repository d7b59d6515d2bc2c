// K's marks (OpenGL 1.1): where the working map and the mission are not
// symmetric under the painting symmetry.
#pragma once

// Callers: drawFrame and the tests' reference frame, after the mission
// objects and before the height overlay, texturing on and blending off.
// While K is on and symmetry is not off: a magenta square at 70% opacity,
// as large as a corner-overlay point, on each point unlike its image, and a
// magenta frame around the cells of each object without a twin, from
// arrays filled again only when the counts were made anew. Leaves texturing
// on, blending off and the colour the overlay's, as it found them.
void drawSymmetryMarks();
