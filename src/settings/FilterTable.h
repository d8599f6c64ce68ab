// Every numbered filter value the instance stores, once: its number in the filter-value
// calls, the range those accept, where the registry keeps it and what it is when nothing
// is stored. The setters and the registry both read this table.
#pragma once
#include "settings/SettingsTypes.h"
#include <cstddef>

struct FilterDescriptor {
    int number; // SetFilterValue / GetFilterValue
    Setting FilterValues::*member;
    int32_t low, high;   // inclusive range SetFilterValue accepts
    const char *group;   // registry key under the device ("Filter", "Gray"); null: not stored
    const char *name;    // registry value
    int32_t defaultValue;
};

// In the order the registry keeps the values of each group.
constexpr size_t kFilterCount = 20;
extern const FilterDescriptor kFilterTable[kFilterCount];

// The entry of a filter number, or null when the number is not a stored value.
const FilterDescriptor *FindFilter(int number);
