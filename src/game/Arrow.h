#pragma once

#include "scene/ObjectNode.h"

#include <cstdint>

class Mesh;
class Texture;

// A moving arrow: appears at the spawn height and rises one unit per beat of
// the song. A press is judged by how close it is to the goal line.
//
// An arrow of a note knows the song time at which the note reaches the goal
// line, and the arrow manager places it from the song clock every frame, so
// it never drifts from the music. An arrow without a note (the carrier)
// rises by the frame time.
class Arrow : public ObjectNode {
public:
    static constexpr const char* meshPath = "Data/Models/pfeil.3DS";
    static constexpr const char* texturePath = "Data/Textures/spaceshiptexture2.tga";
    // Marks the class-wide heights as not yet read.
    static constexpr float unloadedHeight = 999.0f;
    // Half the judgement window around the goal line, in beats.
    static constexpr float window = 0.5f;

    // The first arrow ever constructed reads the spawn and goal heights; every
    // later one keeps them, whatever the configuration says by then.
    Arrow(const char* name, std::int8_t side);

    // Puts the arrow at the spawn height in the lane and takes the song's
    // tempo; a lane above 3 keeps the previous x.
    void setup(std::uint8_t newLane);

    bool update() override;
    bool draw() override;

    // Makes the arrow follow the song: its note is on the beat `noteBeat`
    // and sounds at the song time `noteMs`, where a beat lasts `msPerBeat`.
    void followSong(double noteBeat, double noteMs, double msPerBeat);
    // Places a following arrow for the song's beat `songBeat`: the goal
    // height less the beats still to go, times the player's scroll speed.
    void placeAt(double songBeat);
    // Units of height per beat (1 unless the player set another speed).
    void setSpeed(double unitsPerBeat) { speed = unitsPerBeat; }
    double getSpeed() const { return speed; }
    bool followsSong() const { return beatMs > 0.0; }
    // What reaches the arrow's lane: a key going down, a key still down
    // from an earlier frame, a key going up.
    enum class LaneEvent { Press, Held, Release };

    // Judges a following arrow by its distance from its note in
    // milliseconds (a player's song) instead of in beats; then only a new
    // press hits it, or for a lift only the lane's release.
    void judgeInMs(bool lift = false)
    {
        inMs = true;
        onRelease = lift;
    }
    bool judgedInMs() const { return inMs; }
    // Whether this event in the arrow's lane can hit it: the game's own
    // arrows take any key that is down.
    bool hitBy(LaneEvent event) const;
    double getNoteMs() const { return noteMs; }
    double getNoteBeat() const { return noteBeat; }
    // A hold's tail, drawn from the arrow down this many beats.
    void setTail(float beats) { tail = beats; }
    float getTail() const { return tail; }
    // Draws the arrow with another texture of the mesh manager (a mine's).
    void useTexture(const char* path);

    // 1 - |distance to the goal line| while strictly within half a beat of
    // it, otherwise 0.
    float quality() const;
    // The quality the arrow had at the song time `songMs`: its distance from
    // its note in time, in beats of the note's tempo or, judged in ms, by the
    // windows of MsWindows (following arrows; others answer for now). The
    // distance is taken in real time: at a music rate of 1.5 a song ms passes
    // in 1/1.5 ms, so the windows are as wide to the player at every rate.
    float qualityAt(double songMs) const;
    // Song ms per ms of real time for the song's arrows (1 by default).
    static void setMusicRate(double songMsPerMs) { musicRate = songMsPerMs > 0.0 ? songMsPerMs : 1.0; }
    static double getMusicRate() { return musicRate; }

    std::uint32_t getLane() const { return lane; }
    // The arrow's place in the order its player's arrows appeared (from 1;
    // 0 for an arrow no press can judge): the same on every machine that
    // plays the chart, so a judgement can name its arrow across the network.
    void setNumber(std::uint32_t arrowNumber) { number = arrowNumber; }
    std::uint32_t getNumber() const { return number; }
    float getBpm() const { return bpm; }

    static float getSpawnY() { return spawnY; }
    static float getGoalY() { return goalY; }
    // Lets the next constructed arrow read the heights again.
    static void forgetHeights() { spawnY = goalY = unloadedHeight; }

private:
    static inline float spawnY = unloadedHeight;
    static inline float goalY = unloadedHeight;
    static inline double musicRate = 1.0;

    static float qualityAtHeight(float height);
    void drawTail() const;

    std::uint32_t lane = 0;
    std::uint32_t number = 0;
    double noteBeat = 0.0;
    double noteMs = 0.0;
    // Milliseconds per beat at the note for an arrow following the song, else 0.
    double beatMs = 0.0;
    double speed = 1.0;
    bool inMs = false;
    bool onRelease = false;
    float tail = 0.0f;
    // Shared through the mesh manager; not owned.
    Mesh* mesh = nullptr;
    Texture* texture = nullptr;
    float bpm = 0.0f;
};
