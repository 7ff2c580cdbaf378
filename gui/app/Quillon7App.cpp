#include "app/Quillon7App.h"

#include <cstdio>

#include "app/MainWindow.h"
#include "app/UploadWindow.h"
#include "dialogs/WavOutput.h"

namespace quillon {

Quillon7App::Quillon7App(ProgramState& state) : state_(state), alerts_(WavOutput{}, clock_) {}

Quillon7App::~Quillon7App() = default;

int Quillon7App::Run() {
    MainWindow main(state_, runner_, picker_, preview_);
    main.SetClock(clock_);
    main.SetUploadRunning([this] { return sessions_.AnyRunning(); });
    const UploadWindowServices services{state_, clock_, runner_, alerts_, sessions_};
    main.SetUploadWindow(MakeUploadWindow(services, &main));
    main.SetTextView(MakeTextView(services, &main));
    if (simulate_) {
        std::string error;
        if (!main.StartSimulatedUnit(&error)) {
            std::fprintf(stderr, "quillon7: no simulated unit: %s\n", error.c_str());
        }
    }
    runner_.Run(main);
    sessions_.WaitAll();
    return 0;
}

}  // namespace quillon
