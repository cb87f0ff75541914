#pragma once

// The four arrow lanes of a field.
enum Lane : unsigned char {
    LaneLeft = 0,
    LaneUp = 1,
    LaneRight = 2,
    LaneDown = 3,
};
