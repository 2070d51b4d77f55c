#pragma once
// The flag images of the country table, loaded once at start-up: entry i (1..CountryCodesCount)
// holds the picture of geodata/flags/<code of row i>.gif beside the program, or is empty when
// that file is missing or is no image. Entry 0 is never used. Rows that share a code get
// separate images of the same file.
#include "views/CMemoryDC.h"

#include <QString>
#include <memory>
#include <vector>

class clsHostIP;

using FlagImages = std::vector<std::unique_ptr<CMemoryDC>>;

FlagImages LoadFlagDC(const clsHostIP& hostIP, const QString& programFolder);
