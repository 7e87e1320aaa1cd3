#include "protocols/report_writer.h"

#include <filesystem>
#include <memory>

#include "protocols/balancing_protocol.h"
#include "protocols/pdf_doc.h"
#include "protocols/report_context.h"
#include "protocols/verification_protocol.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"

namespace {

using ProtocolWriter = int (*)(ReportContext& c);

ProtocolWriter g_balancingWriter = nullptr;

// Removes the file, never a folder of that name.
void removeTarget(const char* fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(fileName, ec);
    if (ec || (!fs::is_regular_file(st) && !fs::is_symlink(st))) return;
    fs::remove(fileName, ec);
}

int writeWith(ProtocolWriter writer, Rotor& rotor, const char* fileName) {
    try {
        ReportContext c(rotor, rotor.config(), std::make_unique<PdfDoc>(fileName));
        try {
            return writer(c);
        } catch (...) {
            // The context would save the half-written document as it goes.
            c.doc->discard();
            return reportresult::kNotWritten;
        }
    } catch (...) {
        return reportresult::kNotWritten;
    }
}

}  // namespace

int writeReport(Rotor& rotor, const char* fileName) {
    if (!fileName || !*fileName) return reportresult::kNotWritten;
    removeTarget(fileName);
    // A control rotor is the machine's proving rotor: its runs are the verification test.
    const ProtocolWriter writer = rotor.isControlRotor() ? &writeVerificationProtocol
                                  : g_balancingWriter    ? g_balancingWriter
                                                         : &writeBalancingProtocol;
    const int result = writeWith(writer, rotor, fileName);
    if (result != reportresult::kWritten) removeTarget(fileName);
    return result;
}

namespace reportwriter_testing {
void setBalancingWriter(int (*writer)(ReportContext& c)) {
    g_balancingWriter = writer;
}
}  // namespace reportwriter_testing
