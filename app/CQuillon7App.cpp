#include "app/CQuillon7App.h"

#include <cstdio>

#include "app/CMainDlg.h"
#include "app/SimulatedPort.h"
#include "app/UploadWindow.h"
#include "serial/PosixSerialLibrary.h"
#include "ui/QtWavOutput.h"

namespace quillon {

CQuillon7App::CQuillon7App(ProgramState& state) : state_(state), alerts_(QtWavOutput{}, clock_) {}

CQuillon7App::~CQuillon7App() = default;

void CQuillon7App::EnableSimulation() {
    simulated_ = std::make_unique<SimulatedPort>();
}

int CQuillon7App::Run() {
    CMainDlg main(state_, runner_, picker_, preview_);
    const UploadWindowServices services{
        state_, clock_, runner_, alerts_,
        []() -> std::shared_ptr<SerialLibrary> { return std::make_shared<PosixSerialLibrary>(); }};
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
    return 0;
}

}  // namespace quillon
