// The verification test's progress and its file beside the history record.
#include "rotor/test_progress.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "platform/bounded_read.h"
#include "platform/durable_files.h"
#include "platform/file_replace.h"
#include "records/job_records.h"
#include "rotor/rotor_files.h"
#include "texts/format.h"

namespace {

constexpr const char* kRecordExtension = ".rotor";
constexpr const char* kProgressExtension = ".progress";
// Form 1 had no line for a record left, form 2 a "continued" line; both are
// read as they stand, never written.
constexpr const char* kHeaderForm1 = "KESTRUNE test progress 1";
constexpr const char* kHeaderForm2 = "KESTRUNE test progress 2";
constexpr const char* kHeader = "KESTRUNE test progress 3";
constexpr const char* kCheck = "check ";
constexpr std::uint64_t kMaxFileBytes = 4096;
constexpr int kMaxPlanes = 32;   // the acknowledgements' mask
constexpr int kMaxSteps = 1000;  // far beyond any plane's positions

// FNV-1a: catches a garbled byte; the replacement already rules out a cut.
std::uint32_t checksum(const std::string& text) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

// The file's lines before the checksum, in the form that `header` names.
std::string body(const TestProgressRuns& runs, const TestProgress& p, const std::string& header = kHeader) {
    std::string steps;
    for (int s : p.steps) steps += ks::format(" {}", s);
    std::string text = ks::format("{}\nruns {} {} {}\nready {}\nsteps{}\nrepeat {}\n", header, runs.runs,
                                  runs.lastRunTime, runs.planes, p.acknowledged, steps, p.repeat ? 1 : 0);
    if (header == kHeaderForm2) text += ks::format("continued {}\n", p.left != TestLeft::kTakesRuns ? 1 : 0);
    if (header == kHeader)
        text += ks::format("left {}{}{}\n", static_cast<int>(p.left), p.leavingFor.empty() ? "" : " ", p.leavingFor);
    return text;
}

bool isFlag(int v) { return v == 0 || v == 1; }

// What a mark may name: a history record beside this one.
bool isRecordName(const std::string& name) {
    const std::string extension = kRecordExtension;
    return rotorfiles::isPlainFileName(name) && name.size() > extension.size() &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// The progress the body states, when it states one for `runs` in exactly the
// form `body` writes.
bool parse(const std::string& text, const TestProgressRuns& runs, TestProgress& out, std::string& why) {
    std::istringstream in(text);
    std::string header, runsWord, readyWord, stepsWord, repeatWord, leftWord, named;
    TestProgressRuns stated;
    TestProgress p;
    int repeat = -1, left = 0;
    std::getline(in, header);
    in >> runsWord >> stated.runs >> stated.lastRunTime >> stated.planes >> readyWord >> p.acknowledged >> stepsWord;
    if (in && stated.planes >= 0 && stated.planes <= kMaxPlanes) {
        p.steps.resize(static_cast<std::size_t>(stated.planes));
        for (int& s : p.steps) in >> s;
        in >> repeatWord >> repeat;
        if (header != kHeaderForm1) in >> leftWord >> left;
        if (header == kHeader) std::getline(in, named);
    }
    if (named.size() > 1 && named[0] == ' ') p.leavingFor = named.substr(1);
    p.repeat = repeat == 1;
    // Form 2 knew one way of leaving: the test continued.
    const bool leftKnown = header == kHeader ? left >= 0 && left <= static_cast<int>(TestLeft::kBegunAgain)
                                             : isFlag(left);
    if (leftKnown) p.left = static_cast<TestLeft>(left);
    const bool sound = in && (header == kHeader || header == kHeaderForm2 || header == kHeaderForm1) &&
                       isFlag(repeat) && leftKnown &&
                       (p.leavingFor.empty() || (p.left != TestLeft::kTakesRuns && isRecordName(p.leavingFor))) &&
                       std::all_of(p.steps.begin(), p.steps.end(), [](int s) { return s >= 0 && s <= kMaxSteps; }) &&
                       (stated.planes >= kMaxPlanes || (p.acknowledged >> stated.planes) == 0);
    // Anything besides what `body` writes (a word, a sign, a leading zero) is no progress of ours.
    if (!sound || body(stated, p, header) != text) {
        why = "not a progress file";
        return false;
    }
    if (stated.runs != runs.runs || stated.lastRunTime != runs.lastRunTime || stated.planes != runs.planes) {
        // Kept before the record's last run, added or in the last one's place,
        // when the program ended before it was cleared: nothing marked since.
        const bool before = stated.planes == runs.planes && stated.runs <= runs.runs;
        why = before ? "" : "kept for other runs";
        return false;
    }
    out = std::move(p);
    return true;
}

}  // namespace

int TestProgress::stepsOf(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < steps.size() ? steps[static_cast<std::size_t>(i)] : 0;
}

void TestProgress::step(int i, int by) {
    if (i < 0) return;
    if (steps.size() <= static_cast<std::size_t>(i)) steps.resize(static_cast<std::size_t>(i) + 1, 0);
    int& s = steps[static_cast<std::size_t>(i)];
    s = std::max(0, s + by);
}

bool TestProgress::empty() const {
    return acknowledged == 0 && !repeat && left == TestLeft::kTakesRuns &&
           std::all_of(steps.begin(), steps.end(), [](int s) { return s == 0; });
}

TestProgressRuns testProgressRuns(const RotorData& record) {
    return {static_cast<int>(record.runs.size()), record.runs.empty() ? 0 : record.runs.back().time,
            static_cast<int>(record.planes.size())};
}

namespace {

// `a` says something was done that `b` does not: a plane marked or an ask passed, a repeat asked
// for, the record left (a mark that names a record being made settles by itself).
bool saysMore(const TestProgress& a, const TestProgress& b) {
    const bool left = a.left != TestLeft::kTakesRuns && a.leavingFor.empty();
    if ((a.acknowledged & ~b.acknowledged) != 0 || (a.repeat && !b.repeat) || (left && b.left == TestLeft::kTakesRuns))
        return true;
    for (std::size_t i = 0; i < a.steps.size(); ++i)
        if (a.steps[i] > b.stepsOf(static_cast<int>(i))) return true;
    return false;
}

// Removes the file; false, with errno, when it is there and stays.
bool removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return errno == ENOENT;
    platform::syncFolderOf(path);
    return true;
}

}  // namespace

std::string testProgressPath(const std::string& historyPath) {
    const std::string extension = kRecordExtension;
    const bool record = historyPath.size() > extension.size() &&
                        historyPath.compare(historyPath.size() - extension.size(), extension.size(), extension) == 0;
    return (record ? historyPath.substr(0, historyPath.size() - extension.size()) : historyPath) + kProgressExtension;
}

TestProgress readTestProgress(const std::string& historyPath, const TestProgressRuns& runs, std::string* why) {
    const std::string path = testProgressPath(historyPath);
    std::string text, reason;
    if (::access(path.c_str(), F_OK) != 0) return {};  // nothing marked yet
    TestProgress progress;
    if (!platform::readBoundedFile(path, kMaxFileBytes, text, &reason)) {
        if (why) *why = reason;
        return {};
    }
    const std::size_t check = text.rfind(kCheck);
    if (check == std::string::npos || (check > 0 && text[check - 1] != '\n') ||
        text.compare(check, std::string::npos, ks::format("{}{:08x}\n", kCheck, checksum(text.substr(0, check)))) != 0) {
        if (why) *why = "damaged";
        return {};
    }
    if (!parse(text.substr(0, check), runs, progress, reason)) {
        if (why) *why = reason;
        return {};
    }
    return progress;
}

bool keepTestProgress(const std::string& historyPath, const TestProgressRuns& runs, const TestProgress& progress,
                      int* error) {
    const std::string path = testProgressPath(historyPath);
    if (progress.empty() || runs.planes > kMaxPlanes) {
        if (removeFile(path)) return true;
        if (error) *error = errno;
        return false;
    }
    TestProgress kept = progress;
    kept.steps.resize(static_cast<std::size_t>(runs.planes), 0);
    const std::string text = body(runs, kept);
    if (platform::replaceFile(path, text + ks::format("{}{:08x}\n", kCheck, checksum(text)))) return true;
    const int err = errno;
    if (error) *error = err;
    // What stands on the disk must not say more was done than was: a mark
    // taken back that could not be written takes the whole file along.
    if (saysMore(readTestProgress(historyPath, runs), kept)) removeFile(path);
    return false;
}

namespace {

// The folder part of a path, with its '/'; "" for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool settleLeaving(const std::string& historyPath, TestProgress& progress) {
    if (progress.leavingFor.empty()) return false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(folderOf(historyPath) + progress.leavingFor, ec))
        progress.left = TestLeft::kTakesRuns;
    progress.leavingFor.clear();
    return true;
}

void keepRecordsLeftFor(const std::string& historyPath) {
    const std::string folder = folderOf(historyPath), name = historyPath.substr(folder.size());
    // Only the rotor's own records that keep a progress can be left for it.
    const std::size_t cut = name.rfind('_');
    if (cut == std::string::npos) return;
    for (const std::string& file : rotorfiles::rotorRecords(folder.empty() ? "." : folder, name.substr(0, cut + 1))) {
        const std::string record = folder + file;
        RotorData data;
        if (::access(testProgressPath(record).c_str(), F_OK) != 0 ||
            !data.load(record, rotorfiles::kMaxRotorFileBytes))
            continue;
        const TestProgressRuns runs = testProgressRuns(data);
        TestProgress progress = readTestProgress(record, runs);
        if (progress.leavingFor != name) continue;
        progress.leavingFor.clear();
        keepTestProgress(record, runs, progress);
    }
}
