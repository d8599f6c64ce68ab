#include "sim/CStartupMonitor.h"
#include "sim/SimConstants.h"

namespace sim {

void CStartupMonitor::PowerOn() {
    m_phase = Phase::PoweredOn;
    m_tableWrites = 0;
    m_lastAddress = 0;
}

void CStartupMonitor::OnInitialize() {
    m_phase = Phase::Table;
    m_tableWrites = 0;
    m_lastAddress = 0;
}

void CStartupMonitor::OnSensorWrite(uint16_t address, uint8_t value) {
    switch (m_phase) {
    case Phase::Table:
        if (m_tableWrites > 0 && address <= m_lastAddress) {
            m_phase = Phase::Spoilt;
            return;
        }
        m_lastAddress = address;
        ++m_tableWrites;
        if (address == sr::kStartupLastTableRow)
            m_phase = Phase::TableDone;
        return;
    case Phase::TableDone:
        if (address == sr::kStartupRelease && value == 0)
            m_phase = Phase::Started;
        return;
    default:
        return;
    }
}

} // namespace sim
