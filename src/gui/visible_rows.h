#pragma once
// Long lists: only the rows in view are drawn.

#include <cstddef>
#include <functional>

// Calls `row`(i) for the rows of a list of `count` rows, `pitch` px apart
// from the cursor down, that lie in the current window's visible part, and
// leaves the cursor below the last row as if every row had been drawn: a
// list of any length costs a frame only the rows on screen (and no draw list
// outgrows its 16-bit indices).  A row out of view registers no item, so the
// UI probe does not list it.  `row` returns false when it changed the list:
// the rows after it wait for the next frame.
void drawVisibleRows(std::size_t count, float pitch, const std::function<bool(std::size_t)>& row);
