#pragma once

// The goal and spawn heights of the playfield, in beats, from section
// "General" of the configuration ("Goalposy", "Spawnposy"). Without a
// configuration reader, or without the key, a height reads as 0.
class FieldHeights {
public:
    static float goalY();
    static float spawnY();

private:
    static float read(const char* key);
};
