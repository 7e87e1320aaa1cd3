#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x195DC08;  // "Settings"
}  // namespace

void Gui::settings() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
