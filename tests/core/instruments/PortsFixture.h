#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ScriptedPort.h"
#include "core/base/FakeClock.h"
#include "core/instruments/InstrumentPorts.h"

namespace qx::instruments::test {

/// The instrument layer on virtual time, with scripted instruments plugged into its records.
class PortsFixture : public ::testing::Test {
 protected:
  ScriptedPort& Plug(DevcRS232& record, const std::string& name) {
    auto port = std::make_unique<ScriptedPort>(clock);
    ScriptedPort& far = *port;
    record.Handle = std::move(port);
    record.PortName = name;
    return far;
  }

  base::FakeClock clock;
  InstrumentPorts ports{clock};
};

}  // namespace qx::instruments::test
