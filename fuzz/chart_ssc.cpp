// Feeds arbitrary bytes to the SSC chart reader of src/chart.

#include "ChartCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkChartFile(data, size, chart::ChartFormat::Ssc);
    return 0;
}
