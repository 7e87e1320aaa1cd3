// The rotor's operations on its position table.
#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_config.h"

PositionTable::Hooks Rotor::positionHooks() {
    PositionTable::Hooks hooks;
    hooks.setCorrection = [this](int i, double mass, double angle) {
        if (Plane* pl = planeAt(i + 1)) {
            pl->massAmount = mass;
            pl->massAngle = angle;
        }
    };
    hooks.machineDrillAngle = [this] { return rotorcfg::drillAngle(config_); };
    hooks.addedTestMass = [this] { return addedTestMass(); };
    hooks.missesItsStep = [this](int run) { return missesItsStep(run); };
    hooks.repeatsLastRun = [this] { return repeatsLastRun(); };
    return hooks;
}

RotorBase::u32 Rotor::buildPositionTable() { return positions_.buildPositionTable(); }
bool Rotor::hasPositions(int i) { return positions_.hasPositions(i); }
bool Rotor::hasUsedPositions(int i) { return positions_.hasUsedPositions(i); }
void Rotor::setPositionValue(int i, double value) { positions_.setPositionValue(i, value); }
RotorBase::u32 Rotor::positionLookup(int i) { return positions_.positionLookup(i); }
void Rotor::positionEntry(int i) { positions_.positionEntry(i); }
// A control rotor's test keeps the asks passed on each plane (testProgress):
// a plane shared out again stands at the ask it reached.
void Rotor::splitToPositions(int i, bool force) {
    const bool asks = positions_.hasPositions(i);
    positions_.splitToPositions(i, force);
    if (asks && isControlRotor()) stepTestProgress(i, 1);
}
void Rotor::nextPositionSplit(int i, bool force) {
    positions_.nextPositionSplit(i, force);
    if (isControlRotor()) stepTestProgress(i, -1);
}
void Rotor::shareToPositions(int i, bool force) {
    positions_.shareToPositions(i, force);
    if (!isControlRotor()) return;
    for (int s = progress_.stepsOf(i); s > 0 && positions_.hasPositions(i); --s)
        positions_.splitToPositions(i, force);
}
