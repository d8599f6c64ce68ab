// Whether the sensor has been started the way it must be: the initialize command, then the
// sensor table written in strictly ascending register order up to its last row SR 6594,
// then SR 524 = 0. Until then the sensor delivers black frames. A table that goes
// backwards spoils the start until the next initialize; initialize on a running sensor
// stops it again.
#pragma once
#include <cstdint>

namespace sim {

class CStartupMonitor {
public:
    void PowerOn();
    void OnInitialize();
    void OnSensorWrite(uint16_t address, uint8_t value);

    bool Started() const { return m_phase == Phase::Started; }
    uint32_t TableWrites() const { return m_tableWrites; }

private:
    enum class Phase { PoweredOn, Table, TableDone, Started, Spoilt };
    Phase m_phase = Phase::PoweredOn;
    uint16_t m_lastAddress = 0;
    uint32_t m_tableWrites = 0;
};

} // namespace sim
