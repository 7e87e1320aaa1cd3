// The history file of a balancing job: "history/NAME_PYYYYMMDDhhmmss.rotor"
// (P the plane count), created with the whole rotor record at the first run
// and grown by appended items: every later run, every recorded text change and
// the removal of a run.  Reading the file back replays the job.  A control
// rotor's test also keeps, beside its record, what the operator marked done
// toward the next run (test_progress.h).
//
// The file is created exclusively, so an earlier job's file is never emptied
// (a second job in the same second takes the next free second's name).
// Appends are checked: a short write is cut off again, so the items written
// before stay readable.  After every write the stream is flushed and the file
// synced to the disk (and the folder, when the file was created or removed):
// an append is durable when the call returns, without waiting for the rest of
// the file system.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "files/logger.h"
#include "platform/durable_files.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_clock.h"
#include "rotor/rotor_files.h"
#include "texts/format.h"

namespace {

constexpr const char* kHistoryFolder = "history";
// Names tried after the first when a file of the same name exists.
constexpr int kNameAttempts = 3600;

// The created file's name (and the folder, when it was made) on the disk.
void syncCreated(const std::string& path, bool folderMade) {
    platform::syncFolderOf(path);
    if (folderMade) platform::syncFolderOf(kHistoryFolder);
}

// The system's reason for a failed file operation (a short write leaves no
// errno: an input/output error).
std::string systemReason(int err) {
    return std::strerror(err != 0 ? err : EIO);
}

}  // namespace

bool Rotor::appendToHistory(const std::string& bytes) {
    if (!history_) return false;
    std::FILE* f = history_;
    if (std::fflush(f) != 0 || std::fseek(f, 0, SEEK_END) != 0) {
        historyError_ = systemReason(errno);
        std::clearerr(f);
        logPrintf(&logger_, "History file %s: cannot append", historyName_.c_str());
        return false;
    }
    const long before = std::ftell(f);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    if (!ok) {
        const int err = errno;
        std::clearerr(f);
        // Cut the piece off again so that the file stays a readable record.
        if (before >= 0 && ::ftruncate(::fileno(f), static_cast<off_t>(before)) == 0)
            std::fseek(f, before, SEEK_SET);
        logPrintf(&logger_, "History file %s: write error (%s)", historyName_.c_str(), std::strerror(err));
        historyError_ = systemReason(err);
    }
    platform::syncOpenFile(::fileno(f));
    return ok;
}

bool Rotor::createHistoryFile() {
    startTime_ = rotorclock::now();
    std::error_code ec;
    const bool folderMade = std::filesystem::create_directories(kHistoryFolder, ec);

    const std::string part = rotorfiles::fileNameCharacters(name_);
    const int planes = planeCount(false);
    std::FILE* f = nullptr;
    std::string name;
    std::string path;
    int err = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::tm tm{};
        if (!rotorclock::localTime(startTime_ + attempt, &tm)) {
            err = EINVAL;
            break;
        }
        name = ks::format("{}_{}{:04d}{:02d}{:02d}{:02d}{:02d}{:02d}.rotor", part, planes, tm.tm_year + 1900,
                          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        path = std::string(kHistoryFolder) + "/" + name;
        historyName_ = name;
        f = std::fopen(path.c_str(), "wbx");
        if (f) {
            logPrintf(&logger_, "Create history file: %s (year: %d, month: %d, day: %d)", name.c_str(),
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
            break;
        }
        err = errno;
        if (err != EEXIST) break;
    }
    if (!f) {
        logPrintf(&logger_, "Create history file: %s failed (%s)", historyName_.c_str(), std::strerror(err));
        historyError_ = systemReason(err);
        historyName_.clear();  // no record holds these runs: the next run makes one
        return false;
    }

    const std::string bytes = data_->serialize();
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    if (!ok) {
        historyError_ = systemReason(errno);
        logPrintf(&logger_, "History file %s: write error (%s)", name.c_str(), historyError_.c_str());
        std::fclose(f);
        std::remove(path.c_str());
        syncCreated(path, folderMade);
        historyName_.clear();  // no record holds these runs: the next run makes one
        return false;
    }
    history_ = f;
    platform::syncOpenFile(::fileno(f));
    syncCreated(path, folderMade);
    return true;
}

void Rotor::recordRun(const Measurement& run) {
    // The run goes into a new record: the one these runs were read from (or
    // written to before) is left to it.
    if (!history_) markTestContinued();
    Measurement m = run;
    m.time = rotorclock::now();
    m.operatorName = config_ ? config_->local.operatorName : std::string();

    currentRun_ = runCount();
    data_->runs.push_back(m);
    recalcRun();
    historyError_.clear();

    if (!history_) {
        createHistoryFile();
    } else {
        Tris::Sink sink;
        std::size_t words = 0;
        Tris::writeRecordItem(&sink, words, jobrec::kRuns, data_->runs.back(), Measurement(), true);
        appendToHistory(sink.bytes());
    }
    // What was marked done led to this run: the next one's asks start afresh,
    // in the record that now holds the test.
    restartTestProgress();
}

void Rotor::setRecordedText(u32 fieldId, const char* text) {
    const std::string newText = text ? text : "";
    std::string old;
    const u32 path[] = {fieldId};
    // Only text fields are recorded this way.
    if (readParameter(path, 1, &old, nullptr) != Tris::kAccessText) return;
    if (old == newText) return;
    if (!setParameter(path, 1, newText.c_str())) return;

    // The item with the new text; an empty text is written too, so that it
    // replaces an earlier one when the file is read.
    Tris::Sink sink;
    std::size_t words = 0;
    const std::string differs = newText.empty() ? std::string("\x01") : std::string();
    Tris::writeStringItem(&sink, words, fieldId, newText, differs);
    historyError_.clear();

    if (history_) {
        appendToHistory(sink.bytes());
        return;
    }
    if (filePath_.empty()) return;
    if (database_) {
        // A database file ends with an end marker: an appended item would be
        // lost at the next load, so the whole record is saved again.
        if (!saveRotorFile(filePath_)) logPrintf(&logger_, "Save rotor file %s failed", filePath_.c_str());
        return;
    }
    std::FILE* f = std::fopen(filePath_.c_str(), "ab");
    if (!f) {
        historyError_ = systemReason(errno);
        logPrintf(&logger_, "Cannot open %s for appending", filePath_.c_str());
        return;
    }
    history_ = f;  // the checked append works on history_; restored below
    const std::string keepName = historyName_;
    historyName_ = std::filesystem::path(filePath_).filename().string();
    appendToHistory(sink.bytes());
    historyName_ = keepName;
    history_ = nullptr;
    std::fclose(f);
}

void Rotor::removeCurrentRun() {
    if (runCount() < 2 || !history_) return;
    int u = currentRun_;
    if (u < 0 || u >= runCount()) return;
    data_->runs.erase(data_->runs.begin() + u);
    restartTestProgress();
    Tris::Sink sink;
    sink.word(Tris::makeHeader(jobrec::kRuns, false, 2));
    sink.word(Tris::kListErase);
    sink.word(static_cast<std::uint32_t>(u));
    appendToHistory(sink.bytes());
    if (u >= runCount()) u = runCount() - 1;
    selectRun(u);
}

void Rotor::clearRuns(bool alsoResults) {
    closeHistoryFile();
    data_->runs.clear();
    // The record left stays in the History with what was marked toward its
    // next run: opened again, it asks only what is left.
    progress_ = TestProgress{};
    currentRun_ = 0;
    start_ = true;
    historyName_.clear();
    if (alsoResults) data_->results.clear();
    startTime_ = rotorclock::now();
}

std::string Rotor::historyPath() const { return std::string(kHistoryFolder) + "/" + historyName_; }

// ---------------------------------------------------------------- the verification test's progress

TestProgressRuns Rotor::testProgressRuns() {
    return {runCount(), runTime(runCount() - 1), planeCount(false)};
}

void Rotor::saveTestProgress() {
    if (historyName_.empty() || !isControlRotor()) return;
    int err = 0;
    if (keepTestProgress(historyPath(), testProgressRuns(), progress_, &err)) return;
    progressNotice_.writeError = err != 0 ? err : EIO;
    logPrintf(&logger_, "Test progress of %s not kept (%s)", historyName_.c_str(),
              std::strerror(progressNotice_.writeError));
}

void Rotor::markTestContinued() {
    if (historyName_.empty() || !isControlRotor()) return;
    progress_.continued = true;
    saveTestProgress();
    progress_ = TestProgress{};  // the new record's, from its first ask
}

void Rotor::setTestAcknowledged(u32 planes) {
    if (progress_.acknowledged == planes) return;
    progress_.acknowledged = planes;
    saveTestProgress();
}

void Rotor::stepTestProgress(int i, int by) {
    const int before = progress_.stepsOf(i);
    progress_.step(i, by);
    if (progress_.stepsOf(i) != before) saveTestProgress();
}

void Rotor::restartTestProgress() {
    progress_ = TestProgress{};
    saveTestProgress();
}

void Rotor::repeatLastRun() {
    progress_ = TestProgress{};
    progress_.repeat = true;
    saveTestProgress();
}

namespace {

// A record of the same test written later: another history file of the
// rotor ("NAME_" and more) whose runs begin with all of `runs` and go on.
// Its name, or "".
std::string continuingRecord(const std::string& file, const std::vector<Measurement>& runs) {
    const std::size_t cut = file.rfind('_');
    if (runs.empty() || cut == std::string::npos) return {};
    std::error_code ec;
    std::filesystem::directory_iterator it(kHistoryFolder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == file || name.rfind('_') != cut || name.compare(0, cut + 1, file, 0, cut + 1) != 0 ||
            it->path().extension() != ".rotor")
            continue;
        RotorData other;
        if (!other.load(it->path().string(), rotorfiles::kMaxRotorFileBytes) || !other.controlRotor ||
            other.runs.size() <= runs.size())
            continue;
        if (std::equal(runs.begin(), runs.end(), other.runs.begin(),
                       [](const Measurement& a, const Measurement& b) { return Tris::equalRecords(a, b); }))
            return name;
    }
    return {};
}

}  // namespace

void Rotor::readTestState() {
    progress_ = TestProgress{};
    if (historyName_.empty() || !isControlRotor()) return;
    std::string why;
    progress_ = readTestProgress(historyPath(), testProgressRuns(), &why);
    if (progress_.continued) {
        logPrintf(&logger_, "History file %s: the test went on in a newer record", historyName_.c_str());
        return;
    }
    // A record continued before its progress said so: the newer record shows it.
    const std::string newer = continuingRecord(historyName_, data_->runs);
    if (!newer.empty()) {
        logPrintf(&logger_, "History file %s: the test goes on in %s", historyName_.c_str(), newer.c_str());
        progress_.continued = true;
        saveTestProgress();  // so that it holds when the newer record is deleted
        return;
    }
    if (why.empty()) return;
    progressNotice_.refused = true;
    logPrintf(&logger_, "Test progress of %s not read (%s): every ask is asked again", historyName_.c_str(),
              why.c_str());
}

void Rotor::openHistory() {
    if (history_ || historyName_.empty()) return;
    const std::string path = historyPath();
    history_ = std::fopen(path.c_str(), "ab");
    if (!history_) logPrintf(&logger_, "Cannot open history file %s", path.c_str());
}
