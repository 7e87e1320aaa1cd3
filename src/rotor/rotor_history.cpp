// The history file of a balancing job: "history/NAME_PYYYYMMDDhhmmss.rotor"
// (P the plane count), made with the whole rotor record at the first run and
// grown by appended items: every later run, every recorded text change and
// the removal of a run.  Reading the file back replays the job.  A control
// rotor's test also keeps, beside its record, what the operator marked done
// toward the next run and whether the record was left for a newer one
// (test_progress.h).
//
// A run is written whole or not at all.  A new record is written under a
// temporary name and linked in under a free name only once it is all on the
// disk, so that an earlier job's file is never touched and no empty or cut
// record ever stands (a second job in the same second takes the next free
// second's name).  A run appended, with the erase of the run it replaces or
// the result it saves, is one write, cut off again when the disk refuses part
// of it; so is a saved result.  After every write the file is synced to the
// disk (and the folder, when a file was made or removed): a write is durable
// when the call returns, without waiting for the rest of the file system.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "files/logger.h"
#include "platform/durable_files.h"
#include "platform/file_replace.h"
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

// The errno of a failed file operation (a short write leaves none: an input/output error).
int systemError(int err) { return err != 0 ? err : EIO; }

// The item that erases run `run` from the run list.
void writeRunErase(Tris::Sink& sink, int run) {
    sink.word(Tris::makeHeader(jobrec::kRuns, false, 2));
    sink.word(Tris::kListErase);
    sink.word(static_cast<std::uint32_t>(run));
}

// The items of a saved result: the list cleared where the record holds one,
// then each plane's element.
void writeSavedResult(Tris::Sink& sink, const std::vector<Vector>& saved, bool replaces) {
    if (replaces) {
        sink.word(Tris::makeHeader(jobrec::kResults, false, 1));
        sink.word(Tris::kListClear);
    }
    std::size_t words = 0;
    // Written with force: a zero vector is an element of the list too.
    for (const Vector& v : saved) Tris::writeRecordItem(&sink, words, jobrec::kResults, v, Vector(), true);
}

}  // namespace

bool Rotor::appendToHistory(const std::string& bytes) {
    if (!history_) return false;
    std::FILE* f = history_;
    bool pieceLeft = false;
    if (std::fflush(f) == 0 && platform::appendToFile(::fileno(f), bytes, &pieceLeft)) return true;
    const int err = systemError(errno);
    std::clearerr(f);
    logPrintf(&logger_, "History file %s: write error (%s)", historyName_.c_str(), std::strerror(err));
    historyError_.err = err;
    // A record that holds a piece of an item takes no more: the next run makes one of every run.
    if (pieceLeft) closeHistoryFile();
    return false;
}

std::vector<Rotor::LeftRecord> Rotor::recordsLeftByRun() {
    std::vector<LeftRecord> left;
    if (!isControlRotor()) return left;
    if (runCount() > 0) {
        if (!historyName_.empty()) left.push_back({historyPath(), testProgressRuns(), progress_});
        return left;
    }
    // A new test: the rotor's records are all earlier ones.
    const std::string part = rotorfiles::fileNameCharacters(name_) + "_";
    for (const std::string& name : rotorfiles::rotorRecords(kHistoryFolder, part)) {
        const std::string path = std::string(kHistoryFolder) + "/" + name;
        RotorData record;
        if (!record.load(path, rotorfiles::kMaxRotorFileBytes) || !record.controlRotor) continue;
        const TestProgressRuns runs = ::testProgressRuns(record);
        TestProgress progress = readTestProgress(path, runs);
        settleLeaving(path, progress);
        if (progress.left == TestLeft::kTakesRuns) left.push_back({path, runs, std::move(progress)});
    }
    return left;
}

bool Rotor::markLeft(const std::vector<LeftRecord>& records, TestLeft how, const std::string& leavingFor, int* err) {
    for (const LeftRecord& r : records) {
        TestProgress progress = r.progress;
        if (how != TestLeft::kTakesRuns) progress.left = how, progress.leavingFor = leavingFor;
        int error = 0;
        if (keepTestProgress(r.path, r.runs, progress, &error)) continue;
        logPrintf(&logger_, "Test progress of %s not kept (%s)", r.path.c_str(), std::strerror(error));
        if (err) *err = error;
        return false;
    }
    return true;
}

bool Rotor::createHistoryFile(const std::vector<LeftRecord>& left, TestLeft how) {
    const std::int64_t start = rotorclock::now();
    std::error_code ec;
    if (std::filesystem::create_directories(kHistoryFolder, ec)) platform::syncFolderOf(kHistoryFolder);

    const std::string part = rotorfiles::fileNameCharacters(name_);
    const int planes = planeCount(false);
    const std::string bytes = data_->serialize();
    std::string name, path;
    std::tm tm{};
    int err = 0;
    platform::CreateResult made = platform::CreateResult::kFailed;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (!rotorclock::localTime(start + attempt, &tm)) {
            err = EINVAL;
            break;
        }
        name = ks::format("{}_{}{:04d}{:02d}{:02d}{:02d}{:02d}{:02d}.rotor", part, planes, tm.tm_year + 1900,
                          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        path = std::string(kHistoryFolder) + "/" + name;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) continue;
        // The records left say which record they are left for before it exists.
        if (!markLeft(left, how, name, &err)) break;
        made = platform::createFile(path, bytes);
        if (made == platform::CreateResult::kCreated) break;
        err = errno;
        if (made == platform::CreateResult::kFailed) break;
    }
    if (made != platform::CreateResult::kCreated) {
        // Where a mark cannot be taken back it names no record and settles as taking runs.
        markLeft(left, TestLeft::kTakesRuns, {}, nullptr);
        logPrintf(&logger_, "Create history file: %s failed (%s)", name.c_str(), std::strerror(systemError(err)));
        historyError_.err = systemError(err);
        return false;
    }
    logPrintf(&logger_, "Create history file: %s (year: %d, month: %d, day: %d)", name.c_str(), tm.tm_year + 1900,
              tm.tm_mon + 1, tm.tm_mday);
    startTime_ = start;
    historyName_ = name;
    // Left for good; a mark that stays as it was settles the same way while the record stands.
    markLeft(left, how, {}, nullptr);
    history_ = std::fopen(path.c_str(), "ab");
    if (!history_) logPrintf(&logger_, "Cannot open history file %s", path.c_str());
    return true;
}

bool Rotor::appendRun(bool replacesLast, const std::string& carried) {
    Tris::Sink sink;
    std::size_t words = 0;
    Tris::writeRecordItem(&sink, words, jobrec::kRuns, data_->runs.back(), Measurement(), true);
    // The run that takes the last one's place and the erase of that one in
    // one write: the record never holds both.
    if (replacesLast) writeRunErase(sink, runCount() - 1);
    return appendToHistory(sink.bytes() + carried);
}

void Rotor::appendSavedResult(bool replaces) {
    Tris::Sink sink;
    writeSavedResult(sink, data_->results, replaces);
    appendToHistory(sink.bytes());
}

void Rotor::recordRun(const Measurement& run, bool replacesLast) {
    Measurement m = run;
    m.time = rotorclock::now();
    m.operatorName = config_ ? config_->local.operatorName : std::string();
    replacesLast = replacesLast && runCount() > 0;

    // A new record leaves the record these runs were read from, or, for a new
    // test, the rotor's earlier ones: as they stand before the run.
    const std::vector<LeftRecord> left = history_ ? std::vector<LeftRecord>() : recordsLeftByRun();
    const TestLeft how = runCount() > 0 ? TestLeft::kContinued : TestLeft::kBegunAgain;
    const int currentBefore = currentRun_;
    const Measurement replaced = replacesLast ? data_->runs.back() : Measurement();
    if (replacesLast)
        data_->runs.back() = m;
    else
        data_->runs.push_back(m);
    currentRun_ = runCount() - 1;
    recalcRun();
    historyError_ = {};
    // The run of a control rotor that saves the result the next run is
    // measured against goes to the disk with it, in the new record or in the
    // run's append, or neither does: never the run without its whole result.
    const std::vector<Vector> savedBefore = data_->results;
    Tris::Sink result;
    if (isControlRotor() && currentRun_ == kResultSavingRun) {
        data_->results = savedResultOfRuns(false);
        writeSavedResult(result, data_->results, !savedBefore.empty());
    }

    if (history_ ? appendRun(replacesLast, result.bytes()) : createHistoryFile(left, how)) {
        // What was marked done led to this run: the next one's asks start
        // afresh, in the record that now holds the test.
        restartTestProgress();
        return;
    }
    if (!isControlRotor()) {
        // The run stays on the screen; the runs after it go into a new record
        // of every run, never into one that misses it.
        closeHistoryFile();
        historyName_.clear();
        return;
    }
    // A row of the certificate not on the disk is not made: the test stands
    // where it stood, in the record it was in, and the run is made again.
    if (replacesLast)
        data_->runs.back() = replaced;
    else
        data_->runs.pop_back();
    data_->results = savedBefore;
    currentRun_ = currentBefore;
    recalcRun();
    historyError_.runNotKept = true;
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
    historyError_ = {};

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
        historyError_.err = systemError(errno);
        logPrintf(&logger_, "Cannot open %s for appending", filePath_.c_str());
        return;
    }
    history_ = f;  // the checked append works on history_; restored below
    const std::string keepName = historyName_;
    historyName_ = std::filesystem::path(filePath_).filename().string();
    appendToHistory(sink.bytes());
    historyName_ = keepName;
    closeHistoryFile();  // the file borrowed, unless the append closed it
}

void Rotor::removeCurrentRun() {
    if (runCount() < 2 || !history_) return;
    int u = currentRun_;
    if (u < 0 || u >= runCount()) return;
    data_->runs.erase(data_->runs.begin() + u);
    restartTestProgress();
    Tris::Sink sink;
    writeRunErase(sink, u);
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
    for (const std::string& name : rotorfiles::rotorRecords(kHistoryFolder, file.substr(0, cut + 1))) {
        RotorData other;
        if (name == file || !other.load(std::string(kHistoryFolder) + "/" + name, rotorfiles::kMaxRotorFileBytes) ||
            !other.controlRotor ||
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
    // The program ended while a newer record was being made: left if it stands.
    if (settleLeaving(historyPath(), progress_)) saveTestProgress();
    if (progress_.left != TestLeft::kTakesRuns) {
        logPrintf(&logger_, progress_.left == TestLeft::kContinued
                                ? "History file %s: the test went on in a newer record"
                                : "History file %s: a new test of the rotor was begun",
                  historyName_.c_str());
        return;
    }
    // A record continued before its progress said so: the newer record shows it.
    const std::string newer = continuingRecord(historyName_, data_->runs);
    if (!newer.empty()) {
        logPrintf(&logger_, "History file %s: the test goes on in %s", historyName_.c_str(), newer.c_str());
        progress_.left = TestLeft::kContinued;
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
