#pragma once
// The built-in country table: row n (1..249) pairs a two-letter code with the upper-case English
// name the diagram prints. The country numbers stored in hostdat.xdb are row numbers of this
// table, so the rows, their order and their duplicates are part of the data format.
#include <array>

struct CountryRow {
    const char* Code;
    const char* Name;
};

// Row n of the table stands at position n - 1.
const std::array<CountryRow, 249>& CountryRows();
