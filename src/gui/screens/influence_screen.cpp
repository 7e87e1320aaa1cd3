#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kTitle = 0x1EFD008;  // "Influence Coefficients"
}  // namespace

void Gui::influenceCoefficients() { drawPlaceholderScreen(*this, textOrEmpty(kTitle)); }
