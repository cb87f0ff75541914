#pragma once

#include <string>
#include <vector>

namespace forge {

// Step charts for "Coconut", one note character per half beat from beat 0.
// Steps follow SongPlan: kicks on every beat, jumps at section starts and on
// the closing hit, the harder charts add the hook's off-beat accents. Only
// characters whose meaning every DWI reader agrees on are used: "0", the
// single arrows "2" "4" "6" "8" and the jumps "1" "3" "7".
class ChartBuilder {
public:
    static std::string beginner();
    static std::string basic();
    static std::string another();
    // Left pad, right pad.
    static std::vector<std::string> doubleBasic();

    // Half beats in every chart: through the closing hit, padded to a whole bar.
    static std::size_t length();
};

} // namespace forge
