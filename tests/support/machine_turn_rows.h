#pragma once
// Per-turn rows for tests of the measuring path: what a device with per-turn
// data reports for one revolution, index = device channel.  A FakeApi takes
// them as queued batches (one per `getData`), the demo device as its turn
// source.

#include <array>

#include "machine/api.h"
#include "support/machine_fake_api.h"
#include "support/machine_synth_rotor.h"

using TurnRow = std::array<TurnResult, 5>;

// Every device channel valid with the same amplitude and angle (degrees).
inline TurnRow uniformTurnRow(double amplitude, double degrees) {
    TurnRow row{};
    for (TurnResult& t : row) t = {1, amplitude, degrees};
    return row;
}

// The row as the list that `Api::getData` fills.
inline TurnResults turnList(const TurnRow& row) {
    return TurnResults(row.begin(), row.end());
}

// Queues `count` revolutions of one row, or of the synthetic rotor's rows.
inline void queueTurns(FakeApi& api, const TurnRow& row, int count) {
    for (int i = 0; i < count; ++i) api.turnBatches.push_back(turnList(row));
}
inline void queueTurns(FakeApi& api, SynthRotor& synth, int count) {
    for (int i = 0; i < count; ++i) api.turnBatches.push_back(turnList(synth.turnResults()));
}

// A synthetic rotor whose planes each move only their own channel
// (influence 1 at 0 degrees), with the unbalances (amplitude, degrees) of
// planes 0 and 1.
inline SynthRotor directSynthRotor(double amplitude0, double degrees0, double amplitude1, double degrees1) {
    SynthRotor synth(2, 2);
    synth.setInfluencePolar(0, 0, 1.0, 0.0);
    synth.setInfluencePolar(1, 1, 1.0, 0.0);
    synth.setUnbalancePolar(0, amplitude0, degrees0);
    synth.setUnbalancePolar(1, amplitude1, degrees1);
    return synth;
}
