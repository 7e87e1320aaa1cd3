#include "gallery/coverage_page.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "gallery/draw_coverage.h"
#include "gallery/screen_tour.h"
#include "gui/gui_style.h"
#include "resources/resource_store.h"
#include "support/gui_harness.h"
#include "support/gui_resource_doubles.h"

namespace {

namespace fs = std::filesystem;

// A temporary working folder (with "logs") for the files the screens read and write.
class WorkFolder {
public:
    WorkFolder() {
        std::error_code ec;
        old_ = fs::current_path(ec);
        if (!::mkdtemp(dir_)) return;
        fs::create_directory(fs::path(dir_) / "logs", ec);
        fs::current_path(dir_, ec);
        ok_ = !ec;
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::current_path(old_, ec);
        fs::remove_all(dir_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    bool ok() const { return ok_; }

private:
    char dir_[40] = "/tmp/ks_gallery_coverage_XXXXXX";
    fs::path old_;
    bool ok_ = false;
};

// A window's name without the ids ImGui appends to child windows
// ("screen/items_BC856CD9" is "screen/items").
std::string windowName(const std::string& name) {
    constexpr std::size_t kIdLength = 9;  // '_' and eight hexadecimal digits
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; start <= name.size(); start = end + 1) {
        end = std::min(name.find('/', start), name.size());
        std::string part = name.substr(start, end - start);
        if (start > 0 && part.size() > kIdLength && part[part.size() - kIdLength] == '_')
            part.resize(part.size() - kIdLength);
        out += (start > 0 ? "/" : "") + part;
    }
    return out;
}

}  // namespace

int coveragePage(double most) {
    WorkFolder folder;
    if (!folder.ok()) {
        std::fprintf(stderr, "gui_gallery: no temporary folder\n");
        return 2;
    }
    indexEmbeddedResources();
    int code = 0;
    for (const screentour::Stop& stop : screentour::stops()) {
        RecordingUploader pictures;  // outlives the Gui, which releases them
        GuiHarness h;
        applyInterfaceStyle();  // the program's colours: which window paints and which the clear colour shows
        // The pictures as the program loads them at start: drawn where a screen shows them.
        h.gui()._uploader = &pictures;
        h.gui().loadTextures();
        if (!stop.open(h)) {
            std::printf("%-22s not reached\n", (stop.name + ":").c_str());
            code = 1;
            continue;
        }
        h.frame();
        const drawcoverage::Coverage coverage = drawcoverage::measure(*ImGui::GetDrawData());
        std::string windows;
        for (const auto& [name, share] : coverage.lists) {
            if (share <= 0) continue;
            char part[96];
            std::snprintf(part, sizeof part, "%s%s %.3f", windows.empty() ? "" : ", ", windowName(name).c_str(), share);
            windows += part;
        }
        std::printf("%-22s %.3f   %s\n", (stop.name + ":").c_str(), coverage.total, windows.c_str());
        if (coverage.total > most) code = 1;
    }
    return code;
}
