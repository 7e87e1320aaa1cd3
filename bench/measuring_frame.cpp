// One frame of the Measuring screen while a balancing run measures, as the
// panel PC draws it 60 times a second: five channels, three sample blocks of
// 256 frames each, the result table full (100 rows taken), the speed dial and
// the frame around it.  No window: the ImGui frame is built and rendered into
// draw lists, which is the interface's own share of the frame's cost.
//
// Counter: vertices of the frame's draw data.

#include <benchmark/benchmark.h>

#ifdef KS_BENCH_WITH_FAKE_MACHINE

#include <cmath>
#include <memory>
#include <vector>

#include <imgui.h>

#include "gui/gui.h"
#include "gui/screens/measuring.h"
#include "machine/machine_codes.h"
#include "records/settings_file.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "support/machine_fake_machine.h"

namespace {

constexpr int kChannels = 5;
constexpr int kPoints = 256;
constexpr int kBlocks = 3;
constexpr int kRows = 100;
constexpr float kWidth = 1280;
constexpr float kHeight = 960;

class MeasuringPanel {
public:
    MeasuringPanel() {
        context_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(kWidth, kHeight);
        io.DeltaTime = 1.0f / 60;
        gui_.reset(new Gui());
        gui_->_machine = &machine_;
        io.UserData = gui_.get();
        gui_->loadFonts();
        unsigned char* pixels = nullptr;
        int w = 0, h = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
        io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(1));
        loadSettings(*gui_, "");

        auto* rotor = new Rotor(gui_->_config);
        for (int c = 1; c <= kChannels; ++c) {
            rotor->insertPlane(c);
            rotor->setPlaneChannels(c, static_cast<RotorBase::u32>(c), 0);
        }
        gui_->replaceRotor(rotor);
        rotor->startSession();
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kChannels; ++c)
                rotor->addMeasureResult(10 + r * 0.01, polar::toRadians(45.0 + c), 45.0 + c, 1, c);
            ++machine_.resultCount;
        }
        // Sine frames: one leading value, then one sample per channel.
        const int stride = kChannels + 1;
        machine_.samples.assign(static_cast<std::size_t>(kPoints * kBlocks * stride), 0);
        for (int f = 0; f < kPoints * kBlocks; ++f)
            for (int c = 0; c < kChannels; ++c)
                machine_.samples[static_cast<std::size_t>(f * stride + 1 + c)] =
                    static_cast<int>(8000 * std::sin(f * 0.05 + c));
        machine_.samplePoints = kPoints;
        machine_.sampleBlocks = kBlocks;
        machine_.speed = 0;  // signals shown
        machine_.state = MachineState::kIdle;

        gui_->setScreen(true, [](Gui&) {});
        frame();
        gui_->_measuringMode = MeasuringMode::kRun;
        gui_->_icRunMask = -1;
        gui_->setScreen(true, &Gui::measuring);
        frame();  // opens the screen and starts the run
        machine_.state = MachineState::kMeasuring;
        frame();  // takes the rows
    }
    ~MeasuringPanel() {
        gui_.reset();
        ImGui::DestroyContext(context_);
    }

    int frame() {
        machine_.calls.clear();
        gui_->startFrame();
        ImGui::NewFrame();
        gui_->draw(kWidth, kHeight);
        ImGui::Render();
        return ImGui::GetDrawData()->TotalVtxCount;
    }

private:
    FakeMachine machine_;
    std::unique_ptr<Gui> gui_;
    ImGuiContext* context_ = nullptr;
};

void MeasuringFrame(benchmark::State& state) {
    MeasuringPanel panel;
    int vertices = 0;
    for (auto _ : state) vertices = panel.frame();
    state.counters["vertices"] = vertices;
}
BENCHMARK(MeasuringFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

#endif
