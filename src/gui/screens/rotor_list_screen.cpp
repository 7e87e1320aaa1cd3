#include "gui/gui.h"
#include "gui/screens/placeholder.h"
#include "texts/texts.h"

namespace {
constexpr TextId kHistoryTitle = 0x195DC06;   // "History"
constexpr TextId kDatabaseTitle = 0x195DC07;  // "Database"
}  // namespace

void Gui::history() { rotorList(true); }

void Gui::database() { rotorList(false); }

void Gui::rotorList(bool history) { drawPlaceholderScreen(*this, textOrEmpty(history ? kHistoryTitle : kDatabaseTitle)); }
