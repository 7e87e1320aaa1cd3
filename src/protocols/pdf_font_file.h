#pragma once
// TrueType faces from memory into a libharu document.  libharu 2.3 loads
// fonts only from files and reads the glyphs again when the document is
// written, so the bytes go into an anonymous memory file (or, where the kernel
// has none, an unlinked temporary file) that libharu opens for itself.

#include <hpdf.h>

#include <cstddef>

enum class FontFileKind { memory, temporary };

// The font name libharu gives the face, owned by the document; null when the
// face could not be loaded (libharu's error handler has seen why, or no file
// could be made).
const char* loadTrueTypeFace(HPDF_Doc doc, const void* data, std::size_t size, FontFileKind kind);
