#include "app/SimulatedPort.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"

namespace quillon {

sim::PtyPair OpenPty() {
    std::string error;
    std::optional<sim::PtyPair> pty = sim::PtyPair::Open(&error);
    if (!pty) {
        throw std::runtime_error(error);
    }
    return std::move(*pty);
}

// Only one of the two units is used; the runner is built on that one.
struct SimulatedPort::Unit {
    explicit Unit(bool kx2)
        : hbd(),
          kx2Unit(),
          runner(kx2 ? static_cast<sim::SimulatedUnit&>(kx2Unit)
                     : static_cast<sim::SimulatedUnit&>(hbd),
                 OpenPty()) {
        runner.Start();
    }
    ~Unit() { runner.Stop(); }

    sim::HbdUnit hbd;
    sim::Kx2Unit kx2Unit;
    sim::UnitRunner runner;
};

SimulatedPort::SimulatedPort() = default;
SimulatedPort::~SimulatedPort() = default;

std::string SimulatedPort::Renew(bool kx2, std::string* error) {
    unit_.reset();
    try {
        unit_ = std::make_unique<Unit>(kx2);
    } catch (const std::exception& e) {
        if (error != nullptr) {
            *error = e.what();
        }
        return {};
    }
    return unit_->runner.DevicePath();
}

std::string SimulatedPort::DevicePath() const {
    return unit_ ? unit_->runner.DevicePath() : std::string();
}

}  // namespace quillon
