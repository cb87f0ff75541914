#pragma once

#include <array>
#include <string>

// The story screen: sixteen lines in three paragraphs, then the start prompt.
// Plain ASCII only (umlauts spelt out), since bitmap fonts carry only the
// codes 32 to 127.
namespace story {

struct Line {
    const char* text;
    float y;
};

inline constexpr float lineX = -4.8f;

inline constexpr std::array<Line, 16> lines{{
    {"Es war einmal eine kleine Stadt am Rand der grossen Wueste,", 3.5f},
    {"in der die Menschen jeden Abend auf dem Marktplatz tanzten.", 3.2f},
    {"Wer am besten tanzte, durfte die goldene Kokosnuss behalten,", 2.9f},
    {"die seit hundert Jahren im Brunnen der Stadt verborgen lag.", 2.6f},
    {"Doch in diesem Jahr wollten zwei Taenzer zugleich den Preis.", 2.3f},

    {"Der eine kam aus den Bergen, mit Fuessen so schnell wie Hagel,", 1.7f},
    {"die andere kam vom Meer und bewegte sich leicht wie eine Welle.", 1.4f},
    {"Keiner wollte nachgeben, und so rief der Buergermeister laut:", 1.1f},
    {"Ein Lied soll entscheiden! Wer die Pfeile trifft, gewinnt Punkte,", 0.8f},
    {"und wer genug Punkte sammelt, darf dem anderen Raketen schicken,", 0.5f},
    {"die ihm fuer eine Weile den Weg versperren. Die Musik beginnt,", 0.2f},
    {"sobald einer von euch beiden bereit ist und die Taste drueckt.", -0.1f},

    {"Die ganze Stadt haelt den Atem an, die Lichter beginnen zu kreisen,", -0.7f},
    {"und mitten auf dem Platz wartet schon die Taenzerin aus Messing.", -1.0f},
    {"Nun zeigt, was ihr koennt, und tanzt, bis die Sterne verblassen!", -1.3f},
    {"Viel Glueck euch beiden!", -1.6f},
}};

inline constexpr const char* prompt = "Press O,X for start ";
inline constexpr float promptX = -1.5f;
inline constexpr float promptY = -2.6f;

// The song panel in the prompt's place: song, tempo and length, each
// player's chart and speed, each player's best on it, and the prompt with the
// panel's keys.
inline constexpr std::array<float, 5> panelLineY{-2.2f, -2.5f, -2.8f, -3.1f, -3.45f};
// In the blank line between the story and the panel (the last line that
// fits the screen is the panel's): the keys of a battle across two
// machines, or what that battle has to say.
inline constexpr float networkLineY = -1.9f;

// Text for the bitmap fonts: characters outside 32 to 126 become '?'.
inline std::string printable(const std::string& text)
{
    std::string out;
    for (const char c : text)
        out += (c >= 32 && c < 127) ? c : '?';
    return out;
}

} // namespace story
