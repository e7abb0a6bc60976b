#pragma once

#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseResult.h"
#include "core/autotest/SwitchTest.h"
#include "core/autotest/TempTest.h"
#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/chip/ChipTargetView.h"
#include "core/instruments/InstrumentPorts.h"
#include "core/instruments/StepTable.h"
#include "core/link/BulkDriver.h"
#include "core/link/HidBackend.h"
#include "core/link/IoFrame.h"
#include "core/link/LinkMonitor.h"
#include "core/link/ParallelLink.h"
#include "core/link/SerialBridgeLink.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"
#include "core/link/UsbTransport.h"
#include "core/panels/PanelContext.h"

namespace qx::app {

/// Owns what the program shares: the target, the link buffer and its operations, the chip
/// model and the settings. Front ends create one and hand references to their parts.
class Workbench {
 public:
  Workbench(base::Clock& theClock, base::Host& theHost, link::HidBackend& hid,
            link::BulkDriver& bulk)
      : clock(theClock),
        host(theHost),
        usb(frame, hid, bulk),
        serial(target, frame, clock, host),
        parallel(frame, settings, clock, host),
        access(target, frame, usb, serial, parallel, clock, host, chipView, settings),
        monitor(target, usb, access, host),
        capture(access, monitor, clock, host, chip, settings, noise),
        switchTest(access, target, frame, clock, host, settings, capture) {}

  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  base::Clock& clock;
  base::Host& host;
  link::TargetRecord target;
  link::IoFrame frame{};
  chip::ChipModel chip;
  chip::ChipTargetView chipView{chip};  ///< what the link reads of `chip`
  base::Settings settings;
  link::UsbTransport usb;
  link::SerialBridgeLink serial;
  link::ParallelLink parallel;  ///< no port until a front end attaches its backends
  link::TargetAccess access;
  link::LinkMonitor monitor;
  analysis::NoiseResult noise;  ///< written by every capture, read by the temperature test
  analysis::AdcCapture capture;
  autotest::SwitchTest switchTest;  ///< the switch channel test and its "StepADC.txt" settings
  instruments::InstrumentPorts instruments{clock};
  instruments::StepTable flukeSteps;  ///< `FlukeGd` of the calibrator window
  instruments::StepTable powerSteps;  ///< `PowerGd` of the power-supply window
  /// The temperature test and its tables; front ends set its files' folder and encoding.
  autotest::TempTest tempTest{{access, monitor, target, capture, noise, instruments, flukeSteps,
                               powerSteps, clock, host, settings, chip}};

  /// The parts a block panel works on.
  operator panels::PanelContext() { return {access, chip, monitor, settings}; }
};

}  // namespace qx::app
