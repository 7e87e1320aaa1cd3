#pragma once
// The seam between the rotor and the protocol writers.  The rotor library
// never links the protocols: the program (and every tool or test that writes
// protocols) registers the writer once at start-up, and Rotor::makeReport
// calls it.

class Rotor;

// Results of Rotor::makeReport and of the writers.
namespace reportresult {
constexpr int kWritten = 0;      // the protocol was written and saved
constexpr int kBeginFailed = 1;  // the document could not be begun, or no writer is registered
constexpr int kNotWritten = 2;   // a face, the save or the writer failed: no file
}  // namespace reportresult

// Writes the protocol of the rotor to the file; answers a reportresult code.
using ReportWriter = int (*)(Rotor& rotor, const char* fileName);

// Sets the writer (null: none).  Once, on the main thread, before the first
// protocol.
void setReportWriter(ReportWriter writer);
ReportWriter reportWriter();
