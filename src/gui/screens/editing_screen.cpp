#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x195DC1B;  // "Edit"
}  // namespace

void Gui::editing() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
