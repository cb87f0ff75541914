#pragma once

#include "BenchTable.h"

// The chart readers of src/chart on charts generated here: SM, SSC and DWI
// song files of a usual size (charts read per second), and one 2 MB SM file
// of ten long charts, which must read in under 20 ms.
class ChartReaderBench {
public:
    BenchTable run(double secondsPerFormat) const;
};
