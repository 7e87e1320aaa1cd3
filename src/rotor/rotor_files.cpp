// Rotor files: the database "db/NAME.rotor" and the files of the balancing
// history "history/...", both the RotorData record as a record stream.  A
// database file ends with the end marker and zero bytes that bring its length
// modulo 16 to the plane count (nothing when the items already do).
//
// Saving replaces the whole file safely (the old one stays on failure);
// loading reads into a fresh record and takes it only when the whole file was
// read, so a failed load leaves the rotor as it was.  A file that is not a
// regular file or is larger than kMaxRotorFileBytes is not read; plane values
// outside their ranges (plane_limits.h) are brought into them and logged by
// their labels.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/logger.h"
#include "platform/bounded_read.h"
#include "platform/durable_files.h"
#include "platform/file_replace.h"
#include "records/job_records.h"
#include "rotor/rotor_config.h"
#include "rotor/rotor_limits.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace {
constexpr const char* kDatabaseFolder = "db";
constexpr const char* kHistoryFolder = "history";
}  // namespace

namespace rotorfiles {

std::string fileNameCharacters(const std::string& name) {
    std::string out = name;
    for (char& ch : out) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '/' || ch == '\\' || c < 0x20 || c == 0x7F) ch = '_';
    }
    return out;
}

static bool dotsOnly(const std::string& name) { return name.find_first_not_of('.') == std::string::npos; }

std::string databaseFilePart(const std::string& name) {
    if (dotsOnly(name)) return std::string();  // also the empty name
    return fileNameCharacters(name);
}

std::string databaseFilePath(const std::string& name) {
    const std::string part = databaseFilePart(name);
    return part.empty() ? std::string() : std::string(kDatabaseFolder) + "/" + part + ".rotor";
}

bool isPlainFileName(const std::string& name) {
    return !dotsOnly(name) && fileNameCharacters(name) == name;
}

std::string rotorNameOfFile(const std::string& fileName, int mode) {
    static const std::string kExt = ".rotor";
    if (mode == 2) {
        const auto underscore = fileName.rfind('_');
        if (underscore != std::string::npos) return fileName.substr(0, underscore);
    }
    if (fileName.size() > kExt.size() && fileName.compare(fileName.size() - kExt.size(), kExt.size(), kExt) == 0)
        return fileName.substr(0, fileName.size() - kExt.size());
    if (mode == 2) {
        const auto dot = fileName.rfind('.');
        if (dot != std::string::npos && dot > 0) return fileName.substr(0, dot);
    }
    return fileName;
}

int planeCountOfFile(const std::string& path) {
    std::string bytes;
    if (!platform::readBoundedFile(path, kMaxRotorFileBytes, bytes, nullptr)) return -1;
    const std::vector<std::uint32_t> words = Tris::bytesToWords(bytes);
    Tris::ItemReader reader(words.data(), words.size());
    Tris::Item item;
    int planes = 0;  // a bounded file holds far fewer items than an int counts
    for (;;) {
        switch (reader.next(item)) {
            case Tris::ItemReader::kBroken:
                return -1;
            case Tris::ItemReader::kEnd:
                return planes;
            case Tris::ItemReader::kItem:
                break;
        }
        if (item.header == Tris::kEndMarker) return planes;
        if (item.tag != jobrec::kPlanes) continue;
        // The list commands act as the loader's do.
        const std::uint32_t* w = item.payload;
        if (item.payloadWords == 1 && w[0] == Tris::kListClear)
            planes = 0;
        else if (item.payloadWords == 2 && w[0] == Tris::kListErase)
            planes -= w[1] < static_cast<std::uint32_t>(planes) ? 1 : 0;
        else
            ++planes;
    }
}

std::string listedPlaneCount(int planes) {
    return planes >= 0 && planes <= kMaxRotorPlanes ? std::to_string(planes) : std::string();
}

std::vector<std::string> rotorRecords(const std::string& folder, const std::string& part) {
    std::vector<std::string> records;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, part.size(), part) == 0 && name.rfind('_') + 1 == part.size() &&
            it->path().extension() == ".rotor")
            records.push_back(name);
    }
    return records;
}

}  // namespace rotorfiles

namespace {
// "Load rotor PATH: WHERE \"LABEL\" was X, now Y": a field named as the screens
// name it, by its tag where they show none.
void logFix(LoggerBase** log, const std::string& path, const std::string& where, const RangeFix& fix) {
    const char* label = textOf(fix.field);
    const std::string name =
        label && *label ? ks::format("\"{}\"", label) : ks::format("field 0x{:X}", fix.field);
    logPrintf(log, "Load rotor %s: %s%s was %.15g, now %.15g", path.c_str(), where.c_str(), name.c_str(),
              fix.was, fix.now);
}

// A damaged or hand-made rotor file, or one an earlier version took other
// values into, may carry numbers that the corrections and the protocols cannot
// work with; they are brought into range, each with a line (the vectors of
// the lists and runs with one line for all).
void bringIntoRange(RotorData& data, const std::string& path, double machineDrillAngle, LoggerBase** log) {
    int vectorFixes = 0;
    for (const RangeFix& fix : bringRotorIntoRange(data, vectorFixes)) logFix(log, path, "", fix);
    if (vectorFixes > 0)
        logPrintf(log, "Load rotor %s: %d vector values out of range, brought into it", path.c_str(), vectorFixes);
    for (std::size_t k = 0; k < data.planes.size(); ++k) {
        for (const RangeFix& fix : bringPlaneIntoRange(data.planes[k], machineDrillAngle))
            logFix(log, path, ks::format("plane {} ", k + 1), fix);
    }
}
}  // namespace

bool Rotor::saveRotorFile(const std::string& path) {
    std::string bytes = data_->serialize();
    const long planes = static_cast<long>(data_->planes.size());
    const long length = static_cast<long>(bytes.size());
    if (length % 16 != planes) {
        const std::uint32_t marker = Tris::kEndMarker;
        for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((marker >> (8 * b)) & 0xFF));
        long pad = planes - ((length + 4) % 16);
        if (pad < 0) pad += 16;
        bytes.append(static_cast<std::size_t>(pad), '\0');
    }
    std::string error;
    saveError_ = 0;
    if (!platform::replaceFile(path, bytes, &error)) {
        saveError_ = errno != 0 ? errno : EIO;
        logPrintf(&logger_, "Save rotor %s error: %s", path.c_str(), error.c_str());
        return false;
    }
    return true;  // the replacement made the file and its folder durable
}

bool Rotor::loadRotor(const char* name, int mode) {
    try {
        return loadOrSaveRotor(name, mode);
    } catch (...) {  // out of memory: the rotor stays as it was
        logPrintf(&logger_, "Load rotor: out of memory");
        // A save's caller says why it failed from this reason alone.
        if (mode == 0) saveError_ = ENOMEM;
        return false;
    }
}

bool Rotor::loadOrSaveRotor(const char* name, int mode) {
    if (mode < 0 || mode > 2) return false;

    if (mode == 0) {
        const std::string given = name ? std::string(name) : name_;
        const std::string path = rotorfiles::databaseFilePath(given);
        if (path.empty()) {
            logPrintf(&logger_, "Save rotor: no usable file name in \"%s\"", given.c_str());
            saveError_ = EINVAL;
            return false;
        }
        std::error_code ec;
        if (std::filesystem::create_directories(kDatabaseFolder, ec)) platform::syncFolderOf(kDatabaseFolder);
        if (!saveRotorFile(path)) return false;
        if (name && name_.empty()) name_ = given;
        filePath_ = path;
        database_ = true;
        return true;
    }

    std::string file = name ? std::string(name) : rotorfiles::databaseFilePart(name_) + ".rotor";
    if (!rotorfiles::isPlainFileName(file)) {
        logPrintf(&logger_, "Load rotor: \"%s\" is not a file name", file.c_str());
        return false;
    }
    const std::string path = std::string(mode == 2 ? kHistoryFolder : kDatabaseFolder) + "/" + file;
    auto fresh = std::make_unique<RotorData>();
    std::string why;
    if (!fresh->load(path, rotorfiles::kMaxRotorFileBytes, &why)) {
        logPrintf(&logger_, "Load rotor %s error: %s", path.c_str(), why.c_str());
        return false;
    }
    if (fresh->planes.size() > static_cast<std::size_t>(kMaxRotorPlanes)) {
        // No machine makes such a rotor, and every screen and protocol would
        // work through all of its planes: a damaged file.
        logPrintf(&logger_, "Load rotor %s error: %zu planes, at most %d", path.c_str(), fresh->planes.size(),
                  kMaxRotorPlanes);
        return false;
    }
    bringIntoRange(*fresh, path, rotorcfg::drillAngle(config_), &logger_);
    // A control rotor's certificate states plane 1's radii and test masses;
    // its screens ask for the same in every plane.
    if (fresh->controlRotor && holdOneTestSet(*fresh))
        logPrintf(&logger_, "Load rotor %s: plane 1's radii and test masses taken for every plane",
                  path.c_str());

    // The loaded rotor is another job: the file of the job before is closed,
    // and measured vectors of the rotor before do not belong to it.
    closeHistoryFile();
    data_ = std::move(fresh);
    measured_.clear();
    currentRun_ = 0;
    if (name) name_ = rotorfiles::rotorNameOfFile(file, mode);
    filePath_ = path;
    historyName_ = mode == 2 ? file : std::string();
    database_ = mode != 2;
    historyActive_ = mode == 2;
    selectRun(runCount() - 1);
    readTestState();
    if (mode == 1) clearRuns(true);
    return true;
}

bool Rotor::reloadAndCompute() {
    if (database_ && !loadRotor(nullptr, 0))
        logPrintf(&logger_, "reloadAndCompute: rotor %s not saved", name_.c_str());
    // The reference run of new coefficients was made with whatever the test
    // then had on the rotor: it takes no certificate row's place.
    if (isControlRotor() && runCount() > 0) {
        selectRun(currentRun_);
        return true;
    }
    return computeDisbalance();
}
