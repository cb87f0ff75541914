// Conf/global.cfg: every key the game reads, with its defaults explained.
#include "Generator.h"
#include "writers/ConfigWriter.h"

namespace forge {
namespace {

struct PlayerKeys {
    unsigned up, down, right, left, slot1, slot2, slot3, slot4;
};

// Windows virtual-key codes: letters are their upper-case ASCII codes.
constexpr PlayerKeys player1Keys{'W', 'S', 'D', 'A', 'Q', 'E', 'X', 'C'};
constexpr PlayerKeys player2Keys{0x26, 0x28, 0x27, 0x25, 'O', 'P', 'L', 'K'};

void writePlayer(ConfigWriter& config, int number, const char* name, const PlayerKeys& keys, const char* keyNames)
{
    config.section("Player" + std::to_string(number));
    config.comment("Shown when this player wins.");
    config.value("Name", name);
    config.comment(keyNames);
    config.keyCode("KeyUp", keys.up);
    config.keyCode("KeyDown", keys.down);
    config.keyCode("KeyRight", keys.right);
    config.keyCode("KeyLeft", keys.left);
    config.keyCode("KeySlot1", keys.slot1);
    config.keyCode("KeySlot2", keys.slot2);
    config.keyCode("KeySlot3", keys.slot3);
    config.keyCode("KeySlot4", keys.slot4);
    config.comment("0 plays on the keyboard; 1 plays on this player's joystick.");
    config.value("UseJoystick", 0);
    config.blank();
}

void generateConfig(const std::filesystem::path& root)
{
    ConfigWriter config;
    config.comment("Flarevox settings, read at every start.");
    config.comment("Lines are [Section] or Key = Value; comments start with # or //.");
    config.comment("Keys and headers must not be indented, and a value has no");
    config.comment("comment after it: everything after the = belongs to the value.");
    config.blank();

    config.section("Window");
    config.comment("The window's caption.");
    config.value("Title", "Flarevox");
    config.comment("Size in pixels. The layout is made for 4:3; the sidebar points");
    config.comment("have their own font size at widths 640 and 1024.");
    config.value("Width", 1024);
    config.value("Height", 768);
    config.comment("Colour depth in bits per pixel.");
    config.value("BitsPerPixel", 32);
    config.comment("1 starts in full screen, 0 in a window.");
    config.value("StartFullscreen", 0);
    config.blank();

    config.section("General");
    config.comment("Heights in beats (arrows rise one unit per beat); the screen");
    config.comment("shows about -5.8 to 5.8. Arrows appear at Spawnposy, just below");
    config.comment("the bottom edge, and are judged within 0.5 of Goalposy. Keep");
    config.comment("Goalposy + 0.5 below 5.0, where unhit arrows count as missed.");
    config.value("Goalposy", "4.0");
    config.value("Spawnposy", "-6.5");
    config.comment("1 shows songs' titles, subtitles and artists in Latin letters where");
    config.comment("their step files spell them so (#TITLETRANSLIT); 0 as written.");
    config.value("ShowTransliterations", 0);
    config.blank();

    config.section("Sound");
    config.comment("Volume of music and effects, 0 (silent) to 255 (full).");
    config.value("MasterVolume", 200);
    config.comment("Milliseconds the player hears the music later than the sound card plays it");
    config.comment("(negative: earlier). F9 on the story screen measures it.");
    config.value("GlobalOffset", 0);
    config.blank();

    config.section("Network");
    config.comment("A lobby server (flarevox-server) as HOST or HOST:PORT (port 7494 without");
    config.comment("one). With it, F4 and --host open a room and show its code; the other");
    config.comment("player types the code at F12 or gives it to --join. Empty: battles only");
    config.comment("by address, as on a LAN.");
    config.value("Server", "");
    config.blank();

    config.section("SpecialFX");
    config.comment("Particles in the swarm behind the playfields; 0 turns it off.");
    config.value("MaxParticels", 60);
    config.blank();

    config.comment("Keys are Windows virtual-key codes in hexadecimal, no prefix:");
    config.comment("letters 41 (A) to 5A (Z), digits 30 to 39, arrows 25 to 28.");
    config.comment("Any slot key starts the song; later they fire missiles.");
    config.blank();
    writePlayer(config, 1, "Kai", player1Keys, "W A S D to step; Q E X C fire missiles.");
    writePlayer(config, 2, "Lani", player2Keys, "Arrow keys to step; O P L K fire missiles.");
    config.write(root / "Conf/global.cfg");
}

} // namespace

FORGE_GENERATOR("config", generateConfig);

} // namespace forge
