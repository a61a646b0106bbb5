#pragma once
// Puts the serial library on the simulated driver, with no ports, for as long
// as it lives, and back on the real driver afterwards.

#include "Serialio/SerialPortLocal.h"
#include "platform/serial/sim/SimControl.h"

class SimulatedDriver {
  public:
    SimulatedDriver() {
        Serialio::SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME);
        Serialio::SerialPortLocal::reinitialize();
        SimReset();
    }
    ~SimulatedDriver() {
        SimReset();
        Serialio::SerialPortLocal::setNativeLibName("");
        Serialio::SerialPortLocal::reinitialize();
    }
    SimulatedDriver(const SimulatedDriver&) = delete;
    SimulatedDriver& operator=(const SimulatedDriver&) = delete;
};
