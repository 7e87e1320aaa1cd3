#pragma once
// The data of a screen that works on the active rotor: it belongs to the rotor
// it was made for.

#include "gui/gui.h"

class Rotor;

// Without an active rotor the screen has nothing to show: its data is dropped
// and the frame alone drawn.  True when so (the screen draws nothing more).
inline bool frameAloneWithoutRotor(Gui& gui) {
    if (gui._rotor) return false;
    delete gui._data;
    gui._data = nullptr;
    gui.drawFrame(false, {});
    return true;
}

// The screen's data of type `D` for the active rotor (`madeFor` names the
// rotor it was made for): made anew, the old deleted, when the Gui holds none
// of that type or one made for another rotor; then `made` is set.
template <class D>
D& rotorScreenData(Gui& gui, Rotor* D::*madeFor, bool* made = nullptr) {
    auto* data = dynamic_cast<D*>(gui._data);
    const bool stale = !data || data->*madeFor != gui._rotor;
    if (stale) {
        delete gui._data;
        gui._data = data = new D(gui);
    }
    if (made) *made = stale;
    return *data;
}
