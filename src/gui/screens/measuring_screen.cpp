#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x1073008;  // "Measuring"
}  // namespace

void Gui::measuring() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
