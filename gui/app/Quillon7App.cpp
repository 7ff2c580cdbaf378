#include "app/Quillon7App.h"

#include <cstdio>

#include "app/MainWindow.h"
#include "app/SimulatedPort.h"
#include "app/UploadWindow.h"
#include "dialogs/QtWavOutput.h"

namespace quillon {

Quillon7App::Quillon7App(ProgramState& state) : state_(state), alerts_(QtWavOutput{}, clock_) {}

Quillon7App::~Quillon7App() = default;

void Quillon7App::EnableSimulation() {
    simulated_ = std::make_unique<SimulatedPort>();
}

int Quillon7App::Run() {
    MainWindow main(state_, runner_, picker_, preview_);
    main.SetClock(clock_);
    main.SetUploadRunning([this] { return sessions_.AnyRunning(); });
    const UploadWindowServices services{state_, clock_, runner_, alerts_, sessions_};
    main.SetUploadWindow(MakeUploadWindow(services, &main));
    main.SetTextView(MakeTextView(services, &main));
    if (simulated_) {
        std::string error;
        if (simulated_->Renew(state_.isKx2 != 0, &error).empty()) {
            std::fprintf(stderr, "quillon7: no simulated unit: %s\n", error.c_str());
            simulated_.reset();
        } else {
            main.SetSimulatedPort(simulated_.get());
        }
    }
    runner_.Run(main);
    sessions_.WaitAll();
    return 0;
}

}  // namespace quillon
