#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x195DC05;  // "Balancing"
}  // namespace

void Gui::balancing() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
