# OpenGL drawing and textures; the same code on every host.
