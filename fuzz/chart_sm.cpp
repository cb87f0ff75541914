// Feeds arbitrary bytes to the SM chart reader of src/chart.

#include "ChartCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkChartFile(data, size, chart::ChartFormat::Sm);
    return 0;
}
