#pragma once
// Writes the back buffer of the current GL context (the frame just drawn,
// before the swap) as a PNG file.  False when the file cannot be written.

bool saveBackBufferPng(const char* path, int width, int height);
