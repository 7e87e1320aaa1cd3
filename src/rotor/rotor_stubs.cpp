// Operations whose calculations are not in this build yet.  Each returns
// false / 0 / null and changes nothing, so no caller can take a result that
// was never computed.
#include "records/job_records.h"
#include "rotor/rotor.h"

bool Rotor::loadRotor(const char*, int) { return false; }
bool Rotor::computeDisbalance() { return false; }
void Rotor::computeInfluenceFactors(bool) {}
void Rotor::updateInternalFactors(double*) {}
void Rotor::saveResult(bool) {}
bool Rotor::forceToUnbalance(int, double*, bool) { return false; }
void Rotor::computeCorrections(bool, bool, bool, bool) {}
void Rotor::computeArcCorrections() {}
void Rotor::clearRuns(bool) {}
void Rotor::setRecordedText(u32, const char*) {}
void Rotor::selectRun(int) {}
void Rotor::stepRun(bool) {}
void Rotor::removeCurrentRun() {}
void Rotor::setRunFlag(int, bool) {}
double Rotor::runCorrection(int, int, double*, bool, bool*) { return 0.0; }
double Rotor::runResultant(int, int, int, double*) { return 0.0; }
double Rotor::runVibration(int, int, double*) { return 0.0; }
double Rotor::runUnbalance(int, int, double*) { return 0.0; }
void Rotor::setConfigFlag(bool) {}
int Rotor::nextVerificationStep(int) { return 0; }
int Rotor::verificationStage(int, int*, int*) { return 0; }
bool* Rotor::verificationRunAllowed(bool* out, bool, bool) { return out; }
bool Rotor::reloadAndCompute() { return false; }
void Rotor::takeTrialMeasurement(int) {}
void Rotor::factorData(int, int, int, double*, double*) {}
void Rotor::openHistory() {}
