#pragma once
// The protocol writer that the protocols register with the rotor: it makes
// the layout context with a PDF document on the file and writes the rotor's
// protocol.  A protocol that was not written leaves no file behind, not even
// an older one of the same name, so nothing stale can be printed or copied.

class Rotor;
struct ReportContext;

// Writes the protocol of the rotor to fileName; answers a reportresult code
// (rotor/rotor_report.h).  Never throws: a writer that throws has its
// document dropped and answers kNotWritten.
int writeReport(Rotor& rotor, const char* fileName);

namespace reportwriter_testing {
// Replaces the balancing protocol's writer (null: the real one).
void setBalancingWriter(int (*writer)(ReportContext& c));
}  // namespace reportwriter_testing
