// The Measuring screen's test panels and the channel verification: the
// measurement-mode selector, the test speed entries, the verification files
// "cert_tab.txt" and "cert_data.txt", the per-channel calibration and the
// correction of readings.
//
// For now the screen calls these at their places and they leave everything
// as it is; the verification fills them.

#include "gui/screens/measuring.h"

#include "records/settings_records.h"

namespace MeasuringData {

void readCertTable(Data&) {}

void readCertData(Data&) {}

void modePanel(Data&, float, float) {}

void speedPanel(Data&, float, float, double) {}

// Closes the keyboard so that the screen never waits on an entry it cannot take.
void commitEntry(Data& d) {
    Gui& g = d.gui;
    if (g._barState == Gui::kShown) g._transitionTime = g._frameTime;
    g._keyboardState = Gui::kLeaving;
    g._onEnter = nullptr;
}

void askFrequency(Data&) {}

void measureSignals(Data&) {}

void calibrateValue(Data&, Pair&, int) {}

void calibrationButtons(Data&, float) {}

double toMicrometres(const Data& d, double value, int channel) {
    if (!d.config || channel < 0 || channel >= static_cast<int>(d.config->channels.size())) return 0;
    return channelReadingToG(d.config->channels[static_cast<std::size_t>(channel)], value);
}

}  // namespace MeasuringData
