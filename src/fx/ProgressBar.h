#pragma once

// A flat bar in the current modelview, unlit and untextured: the part done
// from the left in one colour, the rest in a darker one.
class ProgressBar {
public:
    struct Colour {
        float red;
        float green;
        float blue;
    };

    // `fraction` is kept within 0 to 1.
    static void draw(float left, float bottom, float right, float top, double fraction, Colour done, Colour rest);
};
