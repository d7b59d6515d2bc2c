// The editor's name: the window's class and title, every message box's
// caption, and the program name its usage and error messages start with.
#pragma once

constexpr char kTitle[] = "VornGroundEditor";
