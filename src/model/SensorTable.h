#pragma once
#include <cstddef>
#include <cstdint>

struct SensorTableRow {
    uint16_t reg;
    uint8_t value;
};

constexpr size_t kSensorTableRows = 304;

// The rows of the sensor's start-up table, ascending by register.
const SensorTableRow *SensorTable();
