// The hand-over to the protocol writer: the texts of the protocol header go
// into the settings' machine-local values, then the registered writer writes
// the file.  Also the run's time stamp, which only the protocols read.
#include "rotor/rotor_report.h"

#include <atomic>

#include "files/logger.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

constexpr const char* kDefaultReportFile = "tmp.pdf";

std::atomic<ReportWriter> g_writer{nullptr};

}  // namespace

void setReportWriter(ReportWriter writer) { g_writer.store(writer, std::memory_order_release); }

ReportWriter reportWriter() { return g_writer.load(std::memory_order_acquire); }

int Rotor::makeReport(u32, const char* fileName, u32, u32) {
    const char* file = fileName ? fileName : kDefaultReportFile;
    if (config_) {
        LocalConfig& local = config_->local;
        local.header3 = name_;
        local.header4 = data_->documentNumber;
        local.header2 = data_->customer;
        local.header1 = data_->runs.empty() ? data_->operatorName : data_->runs.back().operatorName;
    }
    const ReportWriter writer = reportWriter();
    if (!writer) {
        logPrintf(&logger_, "makeReport: no protocol writer in this build, \"%s\" not written", file);
        return reportresult::kBeginFailed;
    }
    const int result = writer(*this, file);
    if (result != reportresult::kWritten)
        logPrintf(&logger_, "makeReport: \"%s\" not written (result %d)", file, result);
    return result;
}

std::int64_t Rotor::runTime(int run) const {
    if (run < 0 || run >= static_cast<int>(data_->runs.size())) return 0;
    return data_->runs[static_cast<std::size_t>(run)].time;
}
