#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x195DC10;  // "Welding"
}  // namespace

void Gui::welding() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
