#pragma once

#include "input/Control.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One player's controls for the eight actions (1 Up, 2 Right, 3 Down,
// 4 Left, 5 to 8 Slot 1 to Slot 4): a keyboard key from the "Key…" entries
// of the player's section, and a pad control from the "Pad…" entries, which
// may be missing (the pad's default applies). "PadDevice" names the pad the
// pad controls belong to: its model's GUID and, for a second pad of the same
// model, its place among them ("030000005e0400008e02000014010000 2").
class ControlMapping {
public:
    static constexpr int actionCount = 8;

    struct PadDevice {
        std::string guid; // 32 hexadecimal digits, lower case; empty: any pad
        int order = 1;    // 1 for the first attached pad of that model, 2 for the second...
        bool operator==(const PadDevice&) const = default;
    };
    static constexpr int padOrderLimit = 16;

    using Entries = std::vector<std::pair<std::string, std::string>>;

    // The configuration keys of an action (1 to 8); empty outside.
    static std::string keyEntry(int action);
    static std::string padEntry(int action);

    // Reads a player's section. A "Pad…" or "PadDevice" value that cannot be
    // read counts as not set and writes one warning line naming it.
    static ControlMapping read(const std::map<std::string, std::string>& section, int player);

    // None for actions outside 1 to 8 and for pad controls not set.
    Control keyFor(int action) const;
    Control padFor(int action) const;
    // A key goes to the action's key, a pad control to its pad control.
    void set(int action, const Control& control);
    bool hasPadControls() const;

    const PadDevice& getPadDevice() const { return padDevice; }
    void setPadDevice(const PadDevice& device) { padDevice = device; }

    // The action (1 to 8) that this mapping gives the control, or 0. Keys
    // are shared by both players; a pad control is only the same control
    // when both mappings are for the same pad (`samePad`).
    int actionUsing(const Control& control, bool samePad) const;

    // The configuration entries whose values differ from `before`, in the
    // order of the actions, the keys first; what a writer changes.
    Entries changedEntries(const ControlMapping& before) const;

    static std::string formatPadDevice(const PadDevice& device);
    static std::optional<PadDevice> parsePadDevice(std::string_view text);

private:
    static bool isAction(int action) { return action >= 1 && action <= actionCount; }

    std::array<Control, actionCount> keys{};
    std::array<Control, actionCount> pads{};
    PadDevice padDevice;
};
