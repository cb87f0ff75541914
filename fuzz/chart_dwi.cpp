// Feeds arbitrary bytes to the DWI chart reader of src/chart.

#include "ChartCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkChartFile(data, size, chart::ChartFormat::Dwi);
    return 0;
}
